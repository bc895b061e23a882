#include "gui/app/answerpanels.h"

#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/platform/qtports.h"

namespace ruvo::gui {

AnswerPanels::AnswerPanels(QWidget* host, QVBoxLayout* layout, QObject* parent)
    : QObject(parent), host_(host), layout_(layout) {}

namespace {

bool sameQuestions(const std::vector<doc::AnswerPanel>& a, const std::vector<doc::AnswerPanel>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].number != b[i].number || a[i].questionText != b[i].questionText || a[i].choiceCount != b[i].choiceCount)
      return false;
  return true;
}

}  // namespace

void AnswerPanels::sync(const std::vector<doc::AnswerPanel>& panels) {
  if (!host_) return;
  if (!sameQuestions(panels, shown_) || panels_.size() != panels.size())
    rebuild(panels);
  else if (!(panels == shown_))
    update(panels);
  shown_ = panels;
}

void AnswerPanels::rebuild(const std::vector<doc::AnswerPanel>& panels) {
  for (QWidget* w : panels_) {
    layout_->removeWidget(w);
    delete w;
  }
  panels_.clear();
  for (const doc::AnswerPanel& s : panels) {
    const QString q = QString::number(s.number);
    auto* main = new QFrame(host_);
    main->setObjectName(QStringLiteral("MainPanel") + q);
    auto* mh = new QHBoxLayout(main);
    mh->setContentsMargins(24, 0, 24, 0);  // the 24-pixel panels left and right
    mh->setSpacing(0);
    auto* center = new QWidget(main);
    center->setObjectName(QStringLiteral("CenterPanel") + q);
    auto* cv = new QVBoxLayout(center);
    cv->setContentsMargins(0, 8, 0, 2);  // the 8-pixel bevel on top
    cv->setSpacing(2);
    auto* label = new QLabel(qs(s.questionText), center);
    label->setObjectName(QStringLiteral("QuestionLabel") + q);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    QFont f = label->font();
    f.setPointSize(11);
    label->setFont(f);
    cv->addWidget(label);
    auto* ans = new QWidget(center);
    ans->setObjectName(QStringLiteral("AnsPanel") + q);
    auto* av = new QHBoxLayout(ans);
    av->setContentsMargins(0, 0, 0, 0);
    auto* sel = new QWidget(ans);
    sel->setObjectName(QStringLiteral("SelPanel") + q);
    auto* sh = new QHBoxLayout(sel);
    sh->setContentsMargins(18, 2, 0, 2);
    sh->setSpacing(0);
    const int qn = s.number;
    if (s.choiceCount == 0) {
      auto* edit = new QLineEdit(sel);
      edit->setObjectName(QStringLiteral("SelEdit") + q);
      edit->setText(qs(s.fieldText));
      sh->addWidget(edit, 1);
      connect(edit, &QLineEdit::textEdited, this, [this, qn](const QString& t) {
        if (!updating_) emit fieldEdited(qn, t);
      });
    } else {
      auto* group = new QButtonGroup(sel);
      for (int c = 1; c <= s.choiceCount; ++c) {
        auto* rb = new QRadioButton(QString::number(c), sel);
        rb->setObjectName(QStringLiteral("SelBox%1_%2").arg(s.number).arg(c));
        rb->setMinimumSize(c == s.choiceCount ? 50 : 38, 17);
        rb->setChecked(s.answer == c);
        rb->setFocusPolicy(Qt::NoFocus);
        group->addButton(rb, c);
        sh->addWidget(rb);
        connect(rb, &QRadioButton::clicked, this, [this, qn, c] {
          if (!updating_) emit choiceSelected(qn, c);
        });
      }
      auto* answerLabel = new QLabel(qs(s.answerLabel), sel);
      answerLabel->setObjectName(QStringLiteral("AnswerLabel") + q);
      answerLabel->setTextFormat(Qt::PlainText);
      QPalette p = answerLabel->palette();
      p.setColor(QPalette::WindowText, Qt::blue);
      answerLabel->setPalette(p);
      answerLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      sh->addSpacing(8);
      sh->addWidget(answerLabel, 1);
    }
    av->addWidget(sel, 1);
    cv->addWidget(ans);
    mh->addWidget(center, 1);
    layout_->addWidget(main);
    panels_.push_back(main);
  }
}

void AnswerPanels::update(const std::vector<doc::AnswerPanel>& panels) {
  updating_ = true;
  for (std::size_t i = 0; i < panels.size(); ++i) {
    const doc::AnswerPanel& s = panels[i];
    QWidget* main = panels_[i];
    if (s.choiceCount == 0) {
      if (auto* e = main->findChild<QLineEdit*>(QStringLiteral("SelEdit%1").arg(s.number));
          e && e->text() != qs(s.fieldText))
        e->setText(qs(s.fieldText));
      continue;
    }
    for (int c = 1; c <= s.choiceCount; ++c)
      if (auto* rb = main->findChild<QRadioButton*>(QStringLiteral("SelBox%1_%2").arg(s.number).arg(c)))
        if (rb->isChecked() != (s.answer == c)) rb->setChecked(s.answer == c);
    if (auto* l = main->findChild<QLabel*>(QStringLiteral("AnswerLabel%1").arg(s.number)))
      l->setText(qs(s.answerLabel));
  }
  updating_ = false;
}

int AnswerPanels::panelsHeight() const {
  int h = 0;
  for (QWidget* w : panels_) h += w->sizeHint().height();
  return h;
}

}  // namespace ruvo::gui
