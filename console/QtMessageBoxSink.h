#pragma once

#include "ConsoleSeams.h"

// The real thing: a modal box over the active window, text shown verbatim.
class QtMessageBoxSink : public MessageBoxSink {
 public:
  void ShowModal(const QString& text) override;
};
