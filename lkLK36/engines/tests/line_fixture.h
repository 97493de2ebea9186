// A Line control as the engine tests make it: on the simulated exchange, in virtual time and in
// the test's own program folder, logging every line as written; and what a step added to its log.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/tests/engine_test_support.h"
#include "lkLK36/engines/tests/line_event_recorder.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"

// A new control whose log keeps its lines as written, for readable expectations.
inline std::unique_ptr<TlkLineInternal> makeLoggingLine() {
    auto line = std::make_unique<TlkLineInternal>();
    line->log().SetCount(1000);
    line->Vantage().SetDevEnv(deDelphi);
    return line;
}

// The lines written to the log since it held `mark` lines.
inline std::vector<std::string> linesSince(const TlkLog& log, std::size_t mark) {
    return std::vector<std::string>(log.Lines().begin() + static_cast<std::ptrdiff_t>(mark),
                                    log.Lines().end());
}

// The library is ready and the exchange fresh for the test's control, which a derived fixture
// makes (newLine) and opens as it needs.
class LineTest : public ::testing::Test {
  protected:
    LineTest() {
        tapi::exchange().reset();
        setLkDeviceActiveRequested(false);
        setLkLibraryReady(true);
    }
    ~LineTest() override {
        line.reset();
        setLkLibraryReady(false);
        tapi::exchange().reset();
    }

    void newLine() { line = makeLoggingLine(); }
    // Where the log stands, to read what the next steps add to it.
    std::size_t logMark() const { return line->log().Lines().size(); }
    std::vector<std::string> logSince(std::size_t mark) const {
        return linesSince(line->log(), mark);
    }

    OwnProgramFolder folder;
    core::VirtualTime time;
    std::unique_ptr<TlkLineInternal> line;
    LineEventRecorder recorder;
};
