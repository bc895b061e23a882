#pragma once
// Qt's own texts (the standard buttons of the message boxes, the file and folder dialogs) in
// Japanese, whatever the user's locale: the program's messages tell the person to press
// [ はい ], [ いいえ ], [ キャンセル ], so the buttons must carry those words.
class QCoreApplication;
class QTranslator;

namespace ruvo::gui {

// Installs Qt's Japanese catalogue into the application once; later calls find it again.
// Returns the installed translator, or nullptr when the catalogue is not on this system (the
// buttons then keep Qt's English texts).
QTranslator* InstallJapaneseQtTranslations(QCoreApplication* app);

}  // namespace ruvo::gui
