#pragma once
// The answer panels under a question page: one panel per question, named as the question model
// names them ("MainPanel"q, "CenterPanel"q, "AnsPanel"q, "SelPanel"q, "SelBox"q_c), with numbered
// radio buttons and the blue answer label, or a text field for a question without choices.
#include <QObject>
#include <QPointer>
#include <string>
#include <vector>

class QVBoxLayout;
class QWidget;

namespace ruvo::gui {

// What one panel shows.
struct AnswerPanelSpec {
  int q = 0;                  // question number, 1-based over the whole test
  std::string question;       // plain text of the question line
  int choiceCount = 0;        // 0: a text field
  int answer = -1;            // the chosen choice (1..n), else none
  std::string answerLabel;    // trimmed text of the chosen choice
  std::string fieldText;      // typed text of a text field
  bool operator==(const AnswerPanelSpec&) const = default;
};

class AnswerPanels final : public QObject {
  Q_OBJECT
 public:
  AnswerPanels(QWidget* host, QVBoxLayout* layout, QObject* parent = nullptr);

  // Rebuilds the panels when the questions changed; otherwise only updates the checked buttons,
  // the answer labels and the fields, so focus and typing are not disturbed.
  void sync(const std::vector<AnswerPanelSpec>& panels);
  // Sum of the heights the panels need.
  int panelsHeight() const;

 signals:
  void choiceSelected(int q, int c);
  void fieldEdited(int q, const QString& text);

 private:
  void rebuild(const std::vector<AnswerPanelSpec>& panels);
  void update(const std::vector<AnswerPanelSpec>& panels);
  QPointer<QWidget> host_;
  QVBoxLayout* layout_;
  std::vector<AnswerPanelSpec> shown_;
  std::vector<QWidget*> panels_;
  bool updating_ = false;
};

}  // namespace ruvo::gui
