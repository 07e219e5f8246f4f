#pragma once
// The board's messages as the user sees them: modal message boxes with the icon the message asks
// for, and the one message that reports a failure of the data engine.

#include <QMessageBox>

#include <string>

#include "base/engine_error.h"
#include "host/host.h"

namespace tervalo {

QMessageBox::Icon ToQtIcon(MessageIcon icon);

// Routes the current host's messages to modal message boxes. Called at start, before there is
// an engine; the engine is then built on this host and shares the handler.
void InstallMessageBoxHandler();

// The host the window reaches the system through: the running engine's, so that the board's
// files, checks and messages all take one road; the program's host (CurrentHost) only while
// there is no engine, before start-up or when it failed.
Host& BoardHost();

// EngineErrorText and, for a path on the server, where this machine looked for it.
std::string EngineErrorMessage(const EngineError& error);
// Shows an engine failure through the host, with the critical icon.
void ReportEngineError(const EngineError& error);

}  // namespace tervalo
