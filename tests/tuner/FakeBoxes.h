#pragma once
// Message boxes answered at once; every request is kept for the test to check.
#include <vector>

#include "tuner/MessageBoxes.h"

struct FakeBoxes final : MessageBoxes {
    MsgAnswer answer = MsgAnswer::Ok;
    std::vector<MsgRequest> asked;

    MsgAnswer show(const MsgRequest& request) override {
        asked.push_back(request);
        return answer;
    }
};
