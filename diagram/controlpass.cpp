#include "diagram/controlpass.h"

#include "app/sharedstate.h"

PassButtonsUpdate startControlPass(SharedState &state)
{
    if (state.FlStartIzmer != 1) {
        state.SumSrZn = 0;
        state.cntSr = 0;
        state.FlStopIzmer = 0;
    }
    state.FlStartIzmer = 1;
    PassButtonsUpdate update;
    update.command9Enabled = false;
    update.command8Enabled = true;
    update.clearText3 = true;
    return update;
}

PassButtonsUpdate stopControlPass(SharedState &state)
{
    state.FlStopIzmer = 1;
    PassButtonsUpdate update;
    update.command9Enabled = true;
    update.command8Enabled = false;
    return update;
}
