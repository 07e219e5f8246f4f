// The job card's captions show whole in the workstation's own fonts: the labels' widths were
// drawn for a narrower face, and a caption wider than its label would be cut at the edge.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>

#include "board_ui/job_dialog.h"
#include "tests/board_ui/qt_test_app.h"

namespace tervalo {
namespace {

TEST(CardCaptionsTest, EveryCaptionFitsItsControl) {
  const frmJob card(JobCard{});
  const auto labels = card.findChildren<QLabel*>();
  ASSERT_GE(labels.size(), 10);
  for (const QLabel* label : labels) {
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()),
              label->contentsRect().width())
        << label->objectName().toStdString() << " \"" << label->text().toStdString() << "\"";
    EXPECT_GE(label->font().pointSizeF(), 6.5) << label->objectName().toStdString();
  }
  for (const QRadioButton* option : card.findChildren<QRadioButton*>()) {
    EXPECT_LE(option->sizeHint().width(), option->width()) << option->objectName().toStdString();
  }
}

}  // namespace
}  // namespace tervalo
