#pragma once
// Start-up reads the share before the board's window exists. When the server does not answer, a
// small window says so and offers Quit, so that a silent server never leaves the user looking at
// nothing.

#include <QWidget>

#include <chrono>
#include <functional>

class QLabel;

namespace tervalo {

class frmTervalo;
class WaitingHost;

class StartUpWait : public QWidget {
 public:
  // `quit`: what Quit does (ends the program).
  explicit StartUpWait(std::function<void()> quit);
  // One turn of a wait for the server: from a second on the window shows and says for how long
  // the server has not answered; the user's clicks are taken, so that Quit works.
  void Waited(std::chrono::milliseconds waited);
  QLabel* Text() const { return text_; }

 private:
  QLabel* text_;
};

// Runs the board's start-up with its calls on the share handed to `waiting`'s helper thread, a
// StartUpWait telling the wait meanwhile. Without a waiting host it runs as it is. Returns what
// Form_Load returns; its failures pass through.
bool LoadTellingTheWait(frmTervalo& form, WaitingHost* waiting, const std::function<void()>& quit);

}  // namespace tervalo
