// A Line control whose line is open on the simulated exchange's first line, in virtual time, with
// every event it raises written down.
#pragma once

#include "lkLK36/engines/tests/line_fixture.h"

class OpenLineTest : public LineTest {
  protected:
    OpenLineTest() {
        newLine();
        line->SetDeviceActive(true);
        recorder.attach(*line);
    }
};
