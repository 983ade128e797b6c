// SPDX-License-Identifier: MIT
#include "RouterModels.h"

#include "ModelText.h"
#include "text/OwnFile.h"

#include <QDir>
#include <QStringDecoder>

namespace RouterModels {

namespace {

// The built-in models, in the model file format the README describes. Each ends
// its command with the shell's complaint about the missing file "no_where",
// which marks the end of the output.
const char* const Ar7Text = R"(# The modem driver's statistics file, as cat prints it.
User prompt     = login
Password prompt = password
Shell prompt    = #
Command         = cat /proc/avalanche/avsar_modem_stats "no_where"
End text        = no_where
End line        = cat: no_where: No such file or directory
Output prompt   = /var #
Up rate          = between "US Connection Rate:" and "DS Connection Rate:"
Down rate        = between "DS Connection Rate:" and end of line
Down attenuation = between "DS Line Attenuation:" and "DS Margin:"
Down margin      = between "DS Margin:" and end of line
Up attenuation   = between "US Line Attenuation:" and "US Margin:"
Up margin        = between "US Margin:" and end of line
)";

// The rates in use stand on the line of bearer 0 (path 0 on newer firmware);
// "Max:" is the attainable rate. SNR and attenuation: a table of Down and Up columns.
const char* const BroadcomText = R"(# xdslctl info --stats, named xdslcmd on some firmware.
User prompt     = login
Password prompt = password
Shell prompt    = #
Command         = xdslctl info --stats || xdslcmd info --stats; cat "no_where"
End text        = no_where
End line        = cat: no_where: No such file or directory
Down rate        = number 3 after "Bearer:" or "Path:", Kbps x1
Up rate          = number 2 after "Bearer:" or "Path:", Kbps x1
Down attenuation = number 1 after "Attn(dB):"
Down margin      = number 1 after "SNR (dB):"
Up attenuation   = number 2 after "Attn(dB):"
Up margin        = number 2 after "SNR (dB):"
)";

// "Label: Down: ... / Up: ..." lines; rates in Mb/s, Kb/s or b/s as they come.
const char* const LantiqText = R"(# /etc/init.d/dsl_control status on OpenWrt.
User prompt     = login
Password prompt = password
Shell prompt    = #
Command         = /etc/init.d/dsl_control status; cat "no_where"
End text        = no_where
End line        = cat: no_where: No such file or directory
Down rate        = number 1 after "Data Rate:", Mb/s x1000, Kb/s x1, b/s x0.001
Up rate          = number 2 after "Data Rate:", Mb/s x1000, Kb/s x1, b/s x0.001
Down attenuation = number 1 after "Line Attenuation (LATN):"
Down margin      = number 1 after "Noise Margin (SNR):"
Up attenuation   = number 2 after "Line Attenuation (LATN):"
Up margin        = number 2 after "Noise Margin (SNR):"
)";

struct Builtins {
    QList<RouterModel> models;

    Builtins() {
        for (const auto& [name, text] :
             {std::pair{ModelText::Ar7, Ar7Text}, std::pair{ModelText::BroadcomXdslctl, BroadcomText},
              std::pair{ModelText::LantiqDslControl, LantiqText}}) {
            ModelReading reading = ParseModel(QString::fromUtf8(text), name);
            Q_ASSERT_X(reading.model, "RouterModels", qPrintable(reading.mistake));
            models.append(std::move(*reading.model));
        }
    }
};

const Builtins& builtins() {
    static const Builtins all;
    return all;
}

Choice refuse(const QString& setting, const QString& why) {
    return {std::nullopt, ModelText::Unusable.arg(u'"' + setting + u'"', why, ModelText::ReadmeSection)};
}

} // namespace

QStringList BuiltinNames() {
    QStringList names;
    for (const RouterModel& model : builtins().models)
        names.append(model.name);
    return names;
}

std::optional<RouterModel> Builtin(const QString& name) {
    for (const RouterModel& model : builtins().models) {
        if (model.name == name)
            return model;
    }
    return std::nullopt;
}

const RouterModel& Default() {
    return builtins().models.constFirst();
}

Choice Choose(const QString& setting, const QString& folder) {
    if (setting.isEmpty())
        return {Default(), {}};
    if (auto builtin = Builtin(setting))
        return {std::move(builtin), {}};

    OwnFile file(QDir(folder).filePath(setting), OwnFile::Access::Read);
    const std::optional<QByteArray> bytes = file.readAll();
    if (!bytes) {
        const QString why =
            file.state() == OwnFile::State::Missing ? QStringLiteral("no such file") : file.errorString();
        return refuse(setting, ModelText::NeitherBuiltInNorFile.arg(BuiltinNames().join(QStringLiteral(", ")), why));
    }
    if (bytes->size() > MaxFileSize)
        return refuse(setting, ModelText::TooLarge.arg(MaxFileSize));
    const QString text = QStringDecoder(QStringConverter::System)(*bytes);
    ModelReading reading = ParseModel(text, file.path());
    if (!reading.model)
        return refuse(setting, reading.mistake);
    return {std::move(reading.model), {}};
}

} // namespace RouterModels
