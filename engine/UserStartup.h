#pragma once

// The game's start-up hook: creates the application and installs it in the
// kernel (GKernel::InstallApp), which runs the program and returns at its
// end.
void UserStartup();
