#pragma once
// The sound recorder's three command sequences on the device alias "w".
#include <string>

#include "platform/core/Result.h"
#include "recording/QualityValues.h"
#include "recording/SendMciCommand.h"

namespace recording {

// "set w ..." for the format: alignment is channels x bits / 8 rounded half to
// even, bytes per second the rate times the alignment.
std::string formatCommand(const QualityValues& q);

class SoundRecorder {
  public:
    explicit SoundRecorder(MciSender& mci) : mci_(mci) {}

    // open, set the format, record: all three are sent whatever happens;
    // the first failure is returned with the device's reason.
    platform::Status start(const QualityValues& q);
    // After a Stop press: save to wavPath, close.
    platform::Status saveAfterPress(const std::string& wavPath);
    // After a time-out: stop, save to wavPath, close.
    platform::Status saveAfterTimeout(const std::string& wavPath);

  private:
    platform::Status saveAndClose(const std::string& wavPath);

    MciSender& mci_;
};

}  // namespace recording
