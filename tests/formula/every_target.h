// Runs a check once for every instruction set the vector code was built for
// that this processor has, so the narrower vector paths are tested too.
#pragma once

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <cstdint>

namespace trevalin::lanetest {

template <class Check> void onEveryTarget(Check check) {
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        check();
    }
    hwy::SetSupportedTargetsForTest(0);
}

} // namespace trevalin::lanetest
