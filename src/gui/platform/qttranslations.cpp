#include "gui/platform/qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace ruvo::gui {

namespace {
constexpr const char* kTranslatorName = "ruvoQtJapanese";
}  // namespace

QTranslator* InstallJapaneseQtTranslations(QCoreApplication* app) {
  if (!app) return nullptr;
  const QString name = QString::fromLatin1(kTranslatorName);
  if (auto* installed = app->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly)) return installed;
  auto* t = new QTranslator(app);
  t->setObjectName(name);
  // The widgets in use are all qtbase's, whose catalogue holds the buttons and dialogs.
  if (!t->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(t)) {
    delete t;
    return nullptr;
  }
  return t;
}

}  // namespace ruvo::gui
