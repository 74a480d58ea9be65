#include "recording/QualityValues.h"

namespace recording {

QualityValues& qualityValues() {
    static QualityValues values;
    return values;
}

}  // namespace recording
