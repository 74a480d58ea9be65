#pragma once
// A short transport stream made by the stream maker for the tuner's tests.
#include <memory>
#include <string>

#include "TsFile.h"

namespace tunertest {

// The seconds-long stream of a silent station, made once per test program.
std::shared_ptr<const faketuner::TsFile> shortStream();
constexpr double kStreamSeconds = 2.0;

}  // namespace tunertest
