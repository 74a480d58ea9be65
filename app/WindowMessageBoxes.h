#pragma once
// Real modal boxes for the tuner's questions and messages.
#include <QMessageBox>
#include <memory>

#include "tuner/MessageBoxes.h"

// The box a request asks for, not yet shown.
std::unique_ptr<QMessageBox> makeBox(const MsgRequest& request);

class WindowMessageBoxes final : public MessageBoxes {
  public:
    MsgAnswer show(const MsgRequest& request) override;
};
