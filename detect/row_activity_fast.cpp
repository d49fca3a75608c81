#include "detect/row_activity.h"

namespace zek {

// Until the vector version exists the frame flow runs the reference.
void MeasureRowActivity(int32_t* rowActivity, uint8_t* frame, const FrameFormat& format) {
    MeasureRowActivityScalar(rowActivity, frame, format);
}

}  // namespace zek
