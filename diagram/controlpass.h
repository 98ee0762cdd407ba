#pragma once

#include <QString>

struct SharedState;

// The two buttons of the control pass. Each changes the shared state and
// returns what the window shows as a result.
struct PassButtonsUpdate {
    bool command9Enabled = false;  // "Старт"
    bool command8Enabled = false;  // "Стоп"
    bool clearText3 = false;       // the mean of the last pass is emptied ("")
};

// "Старт". When no pass runs (FlStartIzmer is not 1) a new pass begins from an
// empty sum: SumSrZn, cntSr and FlStopIzmer are cleared, so neither the blocks
// nor a pending stop of a pass cut off by the end of the exchange carry into
// it. When a pass runs or is stopping, the pass state is left as it is and a
// stopping pass still ends at the next reply. The block in progress (cntProh,
// SumTekSign) always carries over. FlStartIzmer = 1 in every case.
PassButtonsUpdate startControlPass(SharedState &state);

// "Стоп": the running pass ends at the next status reply.
PassButtonsUpdate stopControlPass(SharedState &state);
