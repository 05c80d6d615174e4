#pragma once

#include <array>
#include <cstdint>

// The fixed texts and clip codes the command buttons send, as the lane's
// screens and voice devices are set up for them. Texts are UTF-8 here and go
// out in GBK.
namespace protocol::command_texts {

inline constexpr const char* kSimpleTwoLine1 = "第一行 两行屏";
inline constexpr const char* kSimpleTwoLine2 = "第二行 两行屏";

inline constexpr const char* kStandardTwoLine1 = "粤B12345";
inline constexpr const char* kStandardTwoLine2 = "无需取卡 车牌自动识别";
inline constexpr const char* kStandardTwoLine3 = "一车一杆 冲杆后果自负";

inline constexpr std::array<const char*, 4> kSimpleFourLine = {"第一行 四行屏", "第二行 四行屏",
                                                               "第三行 四行屏", "第四行 四行屏"};

inline constexpr const char* kStandardFourLine1 = "粤K12345";
inline constexpr const char* kStandardFourLine2 = "10元";
inline constexpr const char* kStandardFourLine3 = "8时45分";

inline constexpr const char* kSimpleSpeech1 = "欢迎光临";
inline constexpr const char* kStandardSpeech1 = "[n1]粤B98X58 欢迎光临";
inline constexpr const char* kSimpleSpeech2 = "粤B8A888 请交费168元";
inline constexpr const char* kStandardSpeech2 = "[n2]请交费18.88元";

inline constexpr std::array<std::uint8_t, 9> kSimpleClipCodes = {0x02, 0x14, 0x03, 0x13, 0x04,
                                                                 0x12, 0x05, 0x11, 0x00};
inline constexpr std::array<std::uint8_t, 9> kStandardClipCodes = {0x28, 0x02, 0x14, 0x03, 0x13,
                                                                   0x04, 0x12, 0x05, 0x11};

// The hidden test button's sequence: a greeting, a plate with its time and
// fee on the three-line screen, a closing clip.
inline constexpr std::array<std::uint8_t, 3> kTestGreetingCodes = {0x28, 0x01, 0x15};
inline constexpr const char* kTestPlate = "粤B8C312";
inline constexpr const char* kTestDuration = "0时0分";
inline constexpr const char* kTestFee = "0.00";
inline constexpr std::array<std::uint8_t, 1> kTestClosingCodes = {0x30};

inline constexpr const char* kNotInSimpleLane = "简易系统不支持该功能";

}  // namespace protocol::command_texts
