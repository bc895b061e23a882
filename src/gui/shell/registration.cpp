#include "gui/shell/registration.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "core/app/paths.h"
#include "core/shell/association.h"
#include "gui/platform/qtports.h"

namespace ruvo::gui {

bool RegisterFileTypesAtStartUp(bool examinee) {
  // A program folder given from outside (tests, benchmarks, a trial run) is no installation
  // that the desktop should keep opening files with. A build tree or a copy is not either:
  // RegisterFileAssociation leaves the desktop to installed programs.
  if (!qEnvironmentVariableIsEmpty("TOVIMETER_HOME")) return false;
  QtShell shell;
  const std::string exe = us(QCoreApplication::applicationFilePath());
  if (examinee) return shell::RegisterFileAssociation(&shell, exe, ".ruvo");
  // Tests open in the examinee program beside this one, when it is there.
  std::string examineeProgram = app::JoinPath(app::FolderOf(exe), "ruvo");
  if (!QFileInfo(qs(examineeProgram)).isExecutable()) examineeProgram = exe;
  bool ok = shell::RegisterFileAssociation(&shell, examineeProgram, ".ruvo");
  ok = shell::RegisterFileAssociation(&shell, exe, ".ruvp") && ok;
  ok = shell::RegisterFileAssociation(&shell, exe, ".ruvot") && ok;
  return ok;
}

}  // namespace ruvo::gui
