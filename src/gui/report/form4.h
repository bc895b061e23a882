#pragma once
// TForm4 "Feedback Graph": the speed/accuracy chart while results come in, the collection
// timer that drives the poll, the small rotating animation of a running collection, the
// replay of the points by date, and the copy of the chart.
#include <QActionGroup>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "core/platform/ports.h"
#include "core/report/feedback.h"
#include "core/report/wpmscores.h"

namespace ruvo::gui {

// Shows an image stretched over the whole widget.
class TChartImage final : public QWidget {
 public:
  using QWidget::QWidget;
  void setImage(const QImage& img);
  const QImage& image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QImage image_;
};

class TForm4 final : public QWidget {
 public:
  TForm4(platform::Dialogs* dialogs, platform::Clipboard* clipboard, QWidget* parent = nullptr);

  // The score list drawn (owned by the sum-up list); none draws the empty chart.
  void setScores(report::TWpmScores* scores) { scores_ = scores; }
  // Called at every tick of the collection timer (the main window's poll).
  void setPoll(std::function<void()> poll) { poll_ = std::move(poll); }
  // The main window's FExamineeName, read at every drawing ("authorized operator:").
  void setOperatorName(std::function<std::string()> name) { operatorName_ = std::move(name); }
  // Whether Ctrl is held at the moment of copying (tests replace it).
  void setCtrlHeld(std::function<bool()> held) { ctrlHeld_ = std::move(held); }

  // The settings "interval" and "AnimeDure" as read at start-up.
  void ApplySettings(int intervalMs, int animeDureMs);
  // What closing the main window writes back.
  int IntervalSetting() const { return std::max(tmGraph.interval(), report::kMinCollectionInterval); }
  int AnimeDureSetting() const { return std::max(report::kMinCollectionInterval, AnimeDure); }

  // Redraws the chart from the score list and shows it.
  void UpdateGraph();
  void ShowChart(const report::TChart& chart);

  void acTimerOn();
  void acTimerOff();
  void acStartAnime();
  void acGraphCopy();

  TChartImage* Image1;
  QLabel* Animate1;
  QProgressBar* ProgressBar1;
  QTimer tmGraph, tmAnime;
  QMenu* PopupMenu1;
  QAction *N1, *N2, *B1, *Copy1;
  QMenu *miInterval, *miAnimeDure;
  int AnimeDure = report::kDefaultAnimeDure;
  report::TReplay Replay;

 protected:
  void resizeEvent(QResizeEvent*) override;
  void showEvent(QShowEvent*) override;
  void hideEvent(QHideEvent*) override;
  void contextMenuEvent(QContextMenuEvent*) override;

 private:
  void animeTick();
  void markChoices();
  // The score list drawn, with the operator's name as it is now.
  report::TWpmScores& scores();

  platform::Dialogs* dialogs_;
  platform::Clipboard* clipboard_;
  report::TWpmScores* scores_ = nullptr;
  report::TWpmScores empty_;
  std::function<void()> poll_;
  std::function<std::string()> operatorName_;
  std::function<bool()> ctrlHeld_;
  QActionGroup *intervalGroup_, *dureGroup_;
  std::vector<QAction*> intervalItems_, dureItems_;
  QTimer rotate_;
  int rotateFrame_ = 0;
  std::vector<QPixmap> frames_;
};

// The ten 16 x 16 frames of the rotating animation.
std::vector<QPixmap> RotateFrames();

}  // namespace ruvo::gui
