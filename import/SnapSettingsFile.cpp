#include "import/SnapSettingsFile.h"

#include "support/ProgramDirectory.h"
#include "support/brdodatkirozn.h"

#include <QFile>
#include <QSaveFile>

namespace {

QByteArray number(double value) {
    return QByteArray::number(value, 'f', 4);
}

} // namespace

QByteArray WriteSnapSettings(const CadSnapSettings& s) {
    QByteArray out = "SNAPY";
    for (int bit = 0; bit < 32; ++bit)
        if ((s.modes >> bit) & 1u)
            out += ',' + QByteArray::number(CAD_CMD_SNAP_END + bit);
    out += "\r\nAPERTURA," + QByteArray::number(s.aperture) + "\r\n";
    out += "KROKI," + number(s.lengthStep) + ',' + number(s.angleStep) + ',' + number(s.baseAngle) +
           "\r\n";
    return out;
}

CadSnapSettings ReadSnapSettings(const QByteArray& bytes) {
    CadSnapSettings s;
    FieldSplitter f;
    f.separator = ",";
    for (QByteArray line : bytes.split('\n')) {
        f.line = line.trimmed().toStdString();
        if (f.line.empty() || !f.split())
            continue;
        const QByteArray key = QByteArray::fromStdString(f.text(1)).trimmed().toUpper();
        if (key == "SNAPY") {
            s.modes = 0;
            for (int k = 2; k <= f.count(); ++k) {
                const int code = f.integer(k);
                if (code >= CAD_CMD_SNAP_END && code < CAD_CMD_SNAP_NONE)
                    s.modes |= 1u << (code - CAD_CMD_SNAP_END);
            }
        } else if (key == "APERTURA") {
            const int aperture = f.integer(2);
            if (aperture > 0)
                s.aperture = aperture;
        } else if (key == "KROKI") {
            double* const steps[] = {&s.lengthStep, &s.angleStep, &s.baseAngle};
            for (int k = 0; k < 3; ++k) {
                const double v = f.real(k + 2);
                if (v != kNoValueReal)
                    *steps[k] = v;
            }
        }
    }
    return s;
}

void LoadSnapSettings() {
    QFile file(ProgramFileToRead(QString::fromLatin1(kSnapSettingsFile)));
    if (!file.open(QIODevice::ReadOnly))
        return;
    cadSetSnapSettings(ReadSnapSettings(file.read(64 * 1024)));
}

bool SaveSnapSettings() {
    QSaveFile file(ProgramFileToWrite(QString::fromLatin1(kSnapSettingsFile)));
    const QByteArray bytes = WriteSnapSettings(cadSnapSettings());
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}
