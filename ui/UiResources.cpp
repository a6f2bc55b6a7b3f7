// Registration of the resource files compiled into exam_ui.
#include "UiResources.h"

#include <QtGlobal>

#include "XPCtrls.h"

// Q_INIT_RESOURCE must be used outside any namespace, from a plain function.
static void InitXPCtrlsResources() {
  Q_INIT_RESOURCE(XPCtrls);
}
static void InitDialogsResources() {
  Q_INIT_RESOURCE(Dialogs);
}

void InitUiResources() {
  InitXPCtrlsResources();
  InstallXPCtrlsAccessibility();
  InitDialogsResources();
}
