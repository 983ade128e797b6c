// SPDX-License-Identifier: MIT
// The built-in router models, and the one settings.ini's [Router] Model picks.
#pragma once

#include "RouterModel.h"
// Reading a model takes these texts: included here, they are initialized before
// any variable of a file that includes this one, which may then hold a model's texts.
#include "ModelText.h"
#include "StatsText.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace RouterModels {

// The built-in models' names, the default first.
QStringList BuiltinNames();
// A built-in model by its name; nothing for another name.
std::optional<RouterModel> Builtin(const QString& name);
// The default model: the modem driver's statistics file read with cat.
const RouterModel& Default();

// Model files are a few lines; a larger one is no model file.
inline constexpr qsizetype MaxFileSize = 64 * 1024;

struct Choice {
    std::optional<RouterModel> model;
    QString problem; // when there is no model: what to tell the user, naming the file's line
};

// The model that [Router] Model names: empty (the key is missing) or "ar7" is the
// default, another built-in name is that model, and anything else is the path of
// a model file, relative to folder unless it is absolute. The file is the user's
// own (see OwnFile).
Choice Choose(const QString& setting, const QString& folder);

} // namespace RouterModels
