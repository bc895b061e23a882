#include "gui/app/totalsview.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMimeData>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextOption>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <string_view>

#include "core/app/paths.h"
#include "core/delivery/filesystem.h"
#include "core/delivery/packaging.h"
#include "core/report/totalsmodel.h"
#include "gui/delivery/deliverywindow.h"
#include "gui/report/form4.h"

namespace ruvo::gui {

namespace {

std::vector<std::string> localPaths(const QMimeData* mime) {
  std::vector<std::string> out;
  if (!mime) return out;
  for (const QUrl& u : mime->urls())
    if (u.isLocalFile()) out.push_back(u.toLocalFile().toStdString());
  return out;
}

std::string examineeProgram(const std::string& executable, const std::string& programFolder) {
  const delivery::PackagingPlace place{programFolder, app::FolderOf(executable)};
  const std::string found = delivery::ExamineeProgramPath(place);
  // Missing: Send says so under the program's own name.
  return found.empty() ? app::JoinPath(programFolder, delivery::kExamineeProgram) : found;
}

}  // namespace

TTotalsView::TTotalsView(QMainWindow* window, app::TForm1Model& model, platform::Ports ports,
                         const std::string& executable)
    : window_(window), model_(model), ports_(ports) {
  auto t = std::make_unique<report::TTotalsModel>(ports, delivery::RealFileSystem(), model.ProgramFolder(),
                                                  examineeProgram(executable, model.ProgramFolder()));
  totals_ = t.get();
  model_.SetTotals(std::move(t));
}

TTotalsView::~TTotalsView() {
  // The windows go before the model they show.
  if (form4_) {
    form4_->setPoll({});
    form4_->acTimerOff();
  }
  form4_.reset();
  form3_.reset();
}

void TTotalsView::Attach(QAction* h1, QWidget* toolbar, QTextEdit* richEdit1,
                         std::initializer_list<QWidget*> dropTargets) {
  richEdit1_ = richEdit1;
  form3_ = std::make_unique<TForm3>(totals_->Delivery(), window_);
  form3_->setObjectName(QStringLiteral("Form3"));
  form4_ = std::make_unique<TForm4>(ports_.dialogs, ports_.clipboard);
  form4_->setObjectName(QStringLiteral("Form4"));
  form4_->ApplySettings(totals_->GraphInterval(), totals_->AnimeDure());
  form4_->setScores(&totals_->FSumUpList().Scores());
  form4_->setOperatorName([this] { return model_.FExamineeName(); });
  form4_->setPoll([this] { poll(); });
  form4_->setWindowModality(Qt::ApplicationModal);

  if (h1) {
    h1->setObjectName(QStringLiteral("H1"));
    h1->setEnabled(true);
    connect(h1, &QAction::triggered, this, [this] { H1Click(); });
  }
  if (toolbar) {
    graphButton_ = new QToolButton(toolbar);
    graphButton_->setObjectName(QStringLiteral("acGraph"));
    graphButton_->setText(QStringLiteral("Graph"));
    graphButton_->setToolTip(QStringLiteral("Speed and accuracy of the results"));
    graphButton_->setAutoRaise(true);
    graphButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (auto* h = qobject_cast<QHBoxLayout*>(toolbar->layout())) h->insertWidget(h->count() - 1, graphButton_);
    connect(graphButton_, &QToolButton::clicked, this, [this] { acGraph(); });
  }
  window_->setAcceptDrops(true);
  window_->installEventFilter(this);
  for (QWidget* w : dropTargets)
    if (w) w->installEventFilter(this);
  Render();
}

void TTotalsView::Render() {
  if (graphButton_) graphButton_->setVisible(model_.acGraphState().visible);
  alignColumns();
}

void TTotalsView::alignColumns() {
  // The default tab stops are narrower than a date: the columns of the tables would wander.
  // Each column's stop is set past its widest cell.
  if (!richEdit1_) return;
  QTextDocument* doc = richEdit1_->document();
  const bool totals = model_.FViewMode() == app::vmTotals;
  if (!totals) {
    aligned_ = false;  // the other views' texts come with formats of their own
    return;
  }
  const auto& lines = totals_->ShownLines();
  // Measured in the text's own font, once the text is in place.
  if (doc->blockCount() != std::max<int>(1, static_cast<int>(lines.size()))) return;
  if (!aligned_ || alignedGeneration_ != totals_->ShownGeneration()) {
    tabs_.clear();
    const QFontMetricsF fm(QTextCursor(doc).charFormat().font());
    const qreal gap = fm.horizontalAdvance(QStringLiteral("MM"));
    // Measuring every cell of thousands of records costs more than the tables: the longest
    // cells of each column (by bytes, a few of them) stand for it, the gap giving the slack.
    std::vector<std::size_t> longest;
    auto eachCell = [&](const auto& f) {
      for (const std::string& line : lines) {
        std::size_t col = 0, from = 0;
        // The last cell of a line needs no stop after it.
        for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1, ++col)
          f(col, std::string_view(line).substr(from, tab - from));
      }
    };
    eachCell([&](std::size_t col, std::string_view cell) {
      if (longest.size() <= col) longest.resize(col + 1, 0);
      longest[col] = std::max(longest[col], cell.size());
    });
    std::vector<qreal> widths(longest.size(), 0);
    std::vector<int> measured(longest.size(), 0);
    eachCell([&](std::size_t col, std::string_view cell) {
      if (cell.size() + 2 < longest[col] || measured[col] >= 64) return;
      ++measured[col];
      const QString text = QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
      widths[col] = std::max(widths[col], fm.horizontalAdvance(text));
    });
    qreal at = 0;
    for (qreal w : widths) {
      at += w + gap;
      tabs_ << QTextOption::Tab(at, QTextOption::LeftTab);
    }
    aligned_ = true;
    alignedGeneration_ = totals_->ShownGeneration();
  }
  // The stops belong to the paragraphs; a text shown anew comes without them.
  if (doc->firstBlock().blockFormat().tabPositions() == tabs_) return;
  QTextBlockFormat f;
  f.setTabPositions(tabs_);
  // Not an edit the view could undo: no undo record for every paragraph.
  const bool undo = doc->isUndoRedoEnabled();
  doc->setUndoRedoEnabled(false);
  QTextCursor all(doc);
  all.select(QTextCursor::Document);
  all.mergeBlockFormat(f);
  doc->setUndoRedoEnabled(undo);
}

void TTotalsView::BeforeClose() {
  if (form4_) totals_->SetGraphSettings(form4_->IntervalSetting(), form4_->AnimeDureSetting());
}

void TTotalsView::H1Click() {
  // The delivery window is modal; collection starts once it closes with OK ("開始").
  connect(
      form3_.get(), &QDialog::finished, this,
      [this](int result) {
        if (result != QDialog::Accepted || !model_.H1Click()) return;
        form4_->acTimerOn();
        acGraph();
      },
      Qt::SingleShotConnection);
  form3_->open();
}

void TTotalsView::acGraph() {
  form4_->UpdateGraph();
  form4_->show();
  form4_->raise();
  form4_->activateWindow();
}

void TTotalsView::poll() {
  // The timer is off while the poll reads, so a slow poll never overlaps the next tick.
  form4_->acTimerOff();
  const bool arrived = model_.CollectionTick();
  if (form4_->isVisible()) form4_->acTimerOn();
  if (arrived) form4_->UpdateGraph();
}

bool TTotalsView::eventFilter(QObject* watched, QEvent* e) {
  switch (e->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* d = static_cast<QDragMoveEvent*>(e);
      if (!d->mimeData() || !d->mimeData()->hasUrls()) break;
      d->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* d = static_cast<QDropEvent*>(e);
      const std::vector<std::string> paths = localPaths(d->mimeData());
      if (paths.empty()) break;
      d->acceptProposedAction();
      // Handled once the drop is over: the drop may ask questions, and a message box inside the
      // drop event would keep the source of the drag waiting.
      QMetaObject::invokeMethod(
          this, [this, paths] { model_.DropFiles(paths); }, Qt::QueuedConnection);
      return true;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, e);
}

}  // namespace ruvo::gui
