// The toolkit's own texts (standard buttons, file dialogs) in Russian.
#pragma once

class QCoreApplication;

// Loads Qt's Russian translation when it is installed; false when it is not found.
bool InstallRussianTranslation(QCoreApplication& App);
