// The three drive operation windows the frame opens: "Manual JOG
// Operation" and "Program JOG Operation" (modeless, created once) and
// "Gain Auto Tuning" (modal).
#pragma once

#include "app/operation/autotuning_dlg.h"
#include "app/operation/manual_jog_dlg.h"
#include "app/operation/program_jog_dlg.h"
