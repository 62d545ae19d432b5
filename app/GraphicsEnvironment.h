#pragma once

#include <QByteArray>
#include <QtGlobal>

// Mesa keeps compiled shaders in a disk cache under the user's home folder. The viewer writes no
// files, also not through its GL driver: switch that cache off before the first GL context,
// unless the user has chosen otherwise.
inline void
keepGraphicsDriverFromWritingFiles()
{
  if (!qEnvironmentVariableIsSet("MESA_SHADER_CACHE_DISABLE")) {
    qputenv("MESA_SHADER_CACHE_DISABLE", QByteArray("true"));
  }
}
