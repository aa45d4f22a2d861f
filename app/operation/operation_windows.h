// The three drive operation windows the frame opens: "Manual JOG
// Operation" and "Program JOG Operation" (modeless, created once) and
// "Gain Auto Tuning" (modal).
#pragma once

#include "autotuning_dlg.h"
#include "manual_jog_dlg.h"
#include "program_jog_dlg.h"
