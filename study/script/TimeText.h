#pragma once
// Times as the window shows them.
#include <cstdint>
#include <string>

namespace study {

// "mm:ss.cc" below an hour ("01:02.03"), "h:mm:ss.cc" from an hour on
// ("1:02:03.04"), with a leading "-" when negative.
std::string formatCentiseconds(int64_t cs);

}  // namespace study
