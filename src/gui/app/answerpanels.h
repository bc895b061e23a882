#pragma once
// The answer panels under a question page: one panel per question, named as the question model
// names them ("MainPanel"q, "CenterPanel"q, "AnsPanel"q, "SelPanel"q, "SelBox"q_c), with numbered
// radio buttons and the blue answer label, or a text field for a question without choices.
#include <QObject>
#include <QPointer>
#include <string>
#include <vector>

#include "core/document/qacontroler.h"

class QVBoxLayout;
class QWidget;

namespace ruvo::gui {

class AnswerPanels final : public QObject {
  Q_OBJECT
 public:
  AnswerPanels(QWidget* host, QVBoxLayout* layout, QObject* parent = nullptr);

  // Rebuilds the panels when the questions changed; otherwise only updates the checked buttons,
  // the answer labels and the fields, so focus and typing are not disturbed.
  void sync(const std::vector<doc::AnswerPanel>& panels);
  // Sum of the heights the panels need.
  int panelsHeight() const;

 signals:
  void choiceSelected(int q, int c);
  void fieldEdited(int q, const QString& text);

 private:
  void rebuild(const std::vector<doc::AnswerPanel>& panels);
  void update(const std::vector<doc::AnswerPanel>& panels);
  QPointer<QWidget> host_;
  QVBoxLayout* layout_;
  std::vector<doc::AnswerPanel> shown_;
  std::vector<QWidget*> panels_;
  bool updating_ = false;
};

}  // namespace ruvo::gui
