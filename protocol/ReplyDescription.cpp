#include "ReplyDescription.h"

#include "Controller.h"

namespace protocol {

std::optional<std::string> DescribeReceivedFrame(const ReceivedFrame& frame) {
  const std::uint8_t command = frame.bytes[kCommandOffset];
  if (!frame.checksumsValid) {
    if (command == kCommandReadCard) return "读卡: 回复校验和错误, 不显示卡号";
    if (command == kReplyValue) return "E3: 回复校验和错误, 不显示数值";
    return std::nullopt;
  }
  ControllerReply reply;
  if (ParseControllerReply(frame.bytes, reply) != kReplyDecoded) return std::nullopt;
  if (reply.Command == kCommandReadCard) {
    return "读卡 控制器 " + std::to_string(reply.Address) + ": 卡号 " +
           std::to_string(reply.CardNumber);
  }
  return "控制器 " + std::to_string(reply.Address) + ": E3 数值 " + std::to_string(reply.E3Value);
}

}  // namespace protocol
