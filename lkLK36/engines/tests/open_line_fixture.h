// A Line control whose line is open on the simulated exchange's first line, in virtual time, with
// every event it raises written down.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/tests/engine_test_support.h"
#include "lkLK36/engines/tests/line_event_recorder.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"

class OpenLineTest : public ::testing::Test {
  protected:
    OpenLineTest() {
        tapi::exchange().reset();
        setLkDeviceActiveRequested(false);
        setLkLibraryReady(true);
        line = std::make_unique<TlkLineInternal>();
        line->log().SetCount(1000);
        line->Vantage().SetDevEnv(deDelphi);  // logs as written
        line->SetDeviceActive(true);
        recorder.attach(*line);
    }
    ~OpenLineTest() override {
        line.reset();
        setLkLibraryReady(false);
        tapi::exchange().reset();
    }

    OwnProgramFolder folder;
    core::VirtualTime time;
    std::unique_ptr<TlkLineInternal> line;
    LineEventRecorder recorder;
};
