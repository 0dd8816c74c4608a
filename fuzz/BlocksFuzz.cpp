// Any bytes as the block library file, read into a fresh document; the refusals the opening
// command reports (a division by zero, an overflow, too many fields) are expected.
#include "blocks/Kwl_bloki.h"
#include "engine/CadApi.h"
#include "import/Unit_progres.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

namespace {
QString file;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    file = QDir::tempPath() +
           QStringLiteral("/kwl-fuzz-blocks-%1.knf").arg(QCoreApplication::applicationPid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    cadReset();
    cadFileNew(0, "");
    try {
        LoadBlockLibraryFile(file);
    } catch (const std::runtime_error&) {
        Busy = false;
    }
    return 0;
}
