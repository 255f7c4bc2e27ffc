// Forced restart once the user agreed, with the shutdown privilege on the NT line.
#pragma once

void RestartSystem();
