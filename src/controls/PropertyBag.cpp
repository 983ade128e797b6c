// SPDX-License-Identifier: MIT
#include "PropertyBag.h"

#include <QSettings>

PropertyBag::~PropertyBag() = default;

QVariant PropertyBag::read(const QString& name, const QVariant& defaultValue) const {
    const QVariant value = stored(name);
    return value.isValid() ? value : defaultValue;
}

void PropertyBag::write(const QString& name, const QVariant& value, const QVariant& defaultValue) {
    if (value == defaultValue)
        remove(name);
    else
        store(name, value);
}

QVariant VariantMapPropertyBag::stored(const QString& name) const {
    return m_values.value(name);
}

void VariantMapPropertyBag::store(const QString& name, const QVariant& value) {
    m_values.insert(name, value);
}

void VariantMapPropertyBag::remove(const QString& name) {
    m_values.remove(name);
}

SettingsPropertyBag::SettingsPropertyBag(QSettings& settings, QString group)
    : m_settings(settings), m_group(std::move(group)) {}

QString SettingsPropertyBag::key(const QString& name) const {
    return m_group.isEmpty() ? name : m_group + u'/' + name;
}

QVariant SettingsPropertyBag::stored(const QString& name) const {
    return m_settings.value(key(name));
}

void SettingsPropertyBag::store(const QString& name, const QVariant& value) {
    m_settings.setValue(key(name), value);
}

void SettingsPropertyBag::remove(const QString& name) {
    m_settings.remove(key(name));
}
