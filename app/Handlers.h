#pragma once
// The application's routines that the window templates bind, and its exit
// routine.

#include "app/windows/LoginWindow.h"
#include "app/windows/MainWindow.h"
#include "app/windows/SetupWindow.h"
