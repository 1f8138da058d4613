#include "quillon_resources.h"

#include <QtCore/qglobal.h>

void QuillonInitResources() {
  // Must be outside any namespace: the macro names a global symbol.
  Q_INIT_RESOURCE(quillon);
}
