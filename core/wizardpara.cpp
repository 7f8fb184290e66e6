#include "core/wizardpara.h"

#include <cstring>
#include <type_traits>

static_assert(std::is_trivially_copyable<WizardPara>::value,
              "the record is copied whole between gpWPara and gpWParaBak");

WizardPara::WizardPara()
{
    // Every field without a default of its own starts at zero.
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    stage_trigger_input[0] = 0;
    stage_enabled[1] = 1;
    cnt_net_enabled = 0;
    video_share = 1;
    video_fps_index = 3;
    ng_video_record = 0;
    alarm_sms = 0;
    product_batch = 10000;
    cavity = 6;
    expected_capacity = 1;
    stage_count = 2;
    // 0 is a stored alarm area and a stored gamma of their own: a missing row must not give them.
    minimum_area = 100;
    for (int& g : gamma)
        g = 100;
}
