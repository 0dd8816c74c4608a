// Any bytes as the description viewer's RTF: read into a document whose blocks and fragments
// must cover its text exactly. (Laying the document out is Qt's part and is left out: Qt's font
// fallback through fontconfig keeps memory that the leak check would report.)
#include "windows/RtfReader.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv); // documents need the GUI application's fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QTextDocument document;
    ReadRtf(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
            document);
    qsizetype length = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        qsizetype inBlock = 0;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            inBlock += it.fragment().length();
        if (inBlock != block.length() - 1)
            __builtin_trap();
        length += block.length();
    }
    if (length != document.characterCount() || document.toPlainText().size() != length - 1)
        __builtin_trap();
    return 0;
}
