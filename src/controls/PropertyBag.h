// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

class QSettings;

// Where a host keeps a control's persistent properties between runs.
class PropertyBag {
public:
    virtual ~PropertyBag();

    // The stored value, or defaultValue when there is none.
    QVariant read(const QString& name, const QVariant& defaultValue) const;

    // A value equal to its default is not written; an entry left from an
    // earlier write is removed, so reading gives the default again.
    void write(const QString& name, const QVariant& value, const QVariant& defaultValue);

protected:
    // An invalid QVariant when the name has no entry.
    virtual QVariant stored(const QString& name) const = 0;
    virtual void store(const QString& name, const QVariant& value) = 0;
    virtual void remove(const QString& name) = 0;
};

// Properties kept in a map, e.g. for copying a control's state.
class VariantMapPropertyBag : public PropertyBag {
public:
    VariantMapPropertyBag() = default;
    explicit VariantMapPropertyBag(QVariantMap values) : m_values(std::move(values)) {}

    const QVariantMap& values() const { return m_values; }

protected:
    QVariant stored(const QString& name) const override;
    void store(const QString& name, const QVariant& value) override;
    void remove(const QString& name) override;

private:
    QVariantMap m_values;
};

// Properties kept in one group of a settings file.
class SettingsPropertyBag : public PropertyBag {
public:
    SettingsPropertyBag(QSettings& settings, QString group);

protected:
    QVariant stored(const QString& name) const override;
    void store(const QString& name, const QVariant& value) override;
    void remove(const QString& name) override;

private:
    QString key(const QString& name) const;

    QSettings& m_settings;
    QString m_group;
};
