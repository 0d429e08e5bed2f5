#include "platform/WorkingSet.h"

#include <malloc.h>

#include <QGuiApplication>

namespace platform {

void TrimWorkingSet() {
  malloc_trim(0);
}

void TrimOnApplicationStateChanges(QObject* owner) {
  QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, owner,
                   [](Qt::ApplicationState) { TrimWorkingSet(); });
}

}  // namespace platform
