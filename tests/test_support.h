// Shared fixture and helpers: every test drives the module as the host does,
// through GetBoardModuleCaps, the catalogue and the operation tables.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "sim_host.h"

namespace trel::test {

using host::BusCall;
using host::Guarded;
using host::Kernel;
using host::Service;
using host::SimHost;

enum BoardIndex : size_t {
    kWren = 0,
    kWrenII = 1,
    kHeronI = 2,
    kHeronIIReprise = 3,
    kEgret = 4,
    kHeronAscent = 5,
    kBittern = 6,
    kPlover = 7,
    kKestrel = 8,
    kSwift = 9,
    kFinch = 10,
};

// A fresh simulated host per test; the kernel's trace and pool state is reset
// and checked afterwards (well-formed traces, no pool misuse, nothing leaked).
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        Kernel::Get().ClearTraces();
        Kernel::Get().ClearPoolErrors();
        Kernel::Get().FailAllocation(0);
        Kernel::Get().FailAllAllocations(false);
        liveAtStart_ = Kernel::Get().LiveAllocations().size();
    }
    void TearDown() override {
        EXPECT_THAT(Kernel::Get().TraceErrors(), ::testing::IsEmpty());
        EXPECT_THAT(Kernel::Get().PoolErrors(), ::testing::IsEmpty());
        for (void* context : opened_) board(openedIndex_.at(context)).boardOps->CloseBoard(context);
        EXPECT_EQ(Kernel::Get().LiveAllocations().size(), liveAtStart_);
    }

    const BoardDescriptor& board(size_t index) { return host_.Board(index); }
    void* device() { return host_.Device(); }

    // Opens a board and closes it at the end of the test.
    void* Open(size_t index, BoardInfo* info = nullptr) {
        BoardInfo scratch{};
        void* context = nullptr;
        EXPECT_EQ(board(index).boardOps->OpenBoard(nullptr, &context, info ? info : &scratch), kStatusSuccess);
        if (context != nullptr) {
            opened_.push_back(context);
            openedIndex_[context] = index;
        }
        return context;
    }
    // Forgets a context the test closed itself.
    void Closed(void* context) {
        opened_.erase(std::remove(opened_.begin(), opened_.end(), context), opened_.end());
    }

    // Log and traces from here on.
    void Mark() {
        host_.ClearLog();
        Kernel::Get().ClearTraces();
    }
    std::vector<std::string> Bus() const { return host_.FormattedLog(); }
    const std::vector<std::string>& Traces() const { return Kernel::Get().Traces(); }

    SimHost host_;
    std::vector<void*> opened_;
    std::map<void*, size_t> openedIndex_;
    size_t liveAtStart_ = 0;
};

inline std::string BoardName(size_t index) { return host::BoardNames().at(index); }

// For parameterised tests: readable test names from board indexes.
inline std::string BoardParamName(const ::testing::TestParamInfo<size_t>& info) {
    std::string name = BoardName(info.param);
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    return name;
}

}  // namespace trel::test
