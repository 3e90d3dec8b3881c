// SPDX-License-Identifier: GPL-3.0-or-later
// Interfaces shared by control libraries and the program that hosts their controls.
// Header-only on purpose: a control library includes it without linking anything of the program.
#pragma once

#include <QImage>
#include <QList>
#include <QMap>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QVariant>
#include <QtPlugin>
#include <cstdint>
#include <stdexcept>
#include <string>

class QWidget;

// Exceptions and interfaces cross library boundaries, so their type information must be one and
// the same on both sides even when a library hides its other symbols.
#if defined(__GNUC__)
#define QV_CONTROLS_SHARED_TYPE __attribute__((visibility("default")))
#else
#define QV_CONTROLS_SHARED_TYPE
#endif

// 32-bit colour of a control property: 0x00BBGGRR is a direct colour; with the top bit set the
// low byte is a system colour index, resolved against the desktop palette only when drawn.
using OLE_COLOR = quint32;

// Result codes of the four server functions a control library exports.
namespace ServerResult {
constexpr std::int32_t Ok = 0;
constexpr std::int32_t False = 1;
constexpr std::int32_t NoInterface = static_cast<std::int32_t>(0x80004002u);
constexpr std::int32_t NullPointer = static_cast<std::int32_t>(0x80004003u);
constexpr std::int32_t Fail = static_cast<std::int32_t>(0x80004005u);
constexpr std::int32_t ClassNotAvailable = static_cast<std::int32_t>(0x80040111u);
}  // namespace ServerResult

// A failing control operation raises a ControlError carrying the framework's error number.
class QV_CONTROLS_SHARED_TYPE ControlError : public std::runtime_error {
public:
    ControlError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int Number() const { return number_; }

private:
    int number_;
};

// Error 380: a property put refused the value; the property keeps its old value.
class QV_CONTROLS_SHARED_TYPE InvalidPropertyValueError : public ControlError {
public:
    static constexpr int kNumber = 380;
    InvalidPropertyValueError() : ControlError(kNumber, "Invalid property value") {}
};

// Error 6: a value does not fit the integer type the property holds.
class QV_CONTROLS_SHARED_TYPE OverflowError : public ControlError {
public:
    static constexpr int kNumber = 6;
    OverflowError() : ControlError(kNumber, "Overflow") {}
};

// Where a control keeps its saved properties. Keys match without regard to case.
class QV_CONTROLS_SHARED_TYPE IPropertyBag {
public:
    virtual ~IPropertyBag() = default;
    // The stored value, or defaultValue when the key is absent.
    virtual QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const = 0;
    // Stores value; a value equal to defaultValue is not stored, and any stored one is dropped,
    // so a saved form holds only what differs from the defaults.
    virtual void WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue) = 0;
};

// True when two property values count as equal for WriteProperty. Pictures have no equality of
// their own in QVariant, and an empty picture equals "no value".
inline bool SamePropertyValue(const QVariant& a, const QVariant& b) {
    auto picture = [](const QVariant& v, QImage* image) {
        const QMetaType type = v.metaType();
        if (type == QMetaType::fromType<QPixmap>()) {
            *image = v.value<QPixmap>().toImage();
        } else if (type == QMetaType::fromType<QImage>()) {
            *image = v.value<QImage>();
        } else {
            return false;
        }
        return true;
    };
    QImage imageA, imageB;
    const bool pictureA = picture(a, &imageA), pictureB = picture(b, &imageB);
    if (pictureA || pictureB) {
        const bool emptyA = pictureA ? imageA.isNull() : !a.isValid();
        const bool emptyB = pictureB ? imageB.isNull() : !b.isValid();
        if (emptyA || emptyB) return emptyA == emptyB;
        return pictureA && pictureB && imageA == imageB;
    }
    if (!a.isValid() || !b.isValid()) return a.isValid() == b.isValid();
    return a == b;
}

// The in-memory bag a host fills from its saved form before ReadProperties and saves after
// WriteProperties. Keys keep the spelling they were first stored with.
class QV_CONTROLS_SHARED_TYPE PropertyBag : public IPropertyBag {
public:
    QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const override {
        const auto it = entries_.constFind(key.toCaseFolded());
        return it == entries_.constEnd() ? defaultValue : it->value;
    }

    void WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue) override {
        if (SamePropertyValue(value, defaultValue)) {
            entries_.remove(key.toCaseFolded());
        } else {
            SetValue(key, value);
        }
    }

    // Stores unconditionally; for a host loading its saved form.
    void SetValue(const QString& key, const QVariant& value) {
        const QString folded = key.toCaseFolded();
        auto it = entries_.find(folded);
        if (it == entries_.end()) {
            entries_.insert(folded, Entry{key, value});
        } else {
            it->value = value;
        }
    }

    bool Contains(const QString& key) const { return entries_.contains(key.toCaseFolded()); }
    void Remove(const QString& key) { entries_.remove(key.toCaseFolded()); }
    void Clear() { entries_.clear(); }
    qsizetype Count() const { return entries_.size(); }
    bool IsEmpty() const { return entries_.isEmpty(); }

    QStringList Keys() const {
        QStringList keys;
        for (const Entry& entry : entries_) keys.append(entry.key);
        return keys;
    }

private:
    struct Entry {
        QString key;
        QVariant value;
    };
    QMap<QString, Entry> entries_;
};

// Implemented by every control; reach it with qobject_cast<IPersistPropertyBag*>(widget).
class QV_CONTROLS_SHARED_TYPE IPersistPropertyBag {
public:
    virtual ~IPersistPropertyBag() = default;
    // A new control was placed: apply the defaults.
    virtual void InitProperties() = 0;
    // A saved control is loaded. Never fails as a whole: an unreadable value is skipped.
    virtual void ReadProperties(IPropertyBag& bag) = 0;
    // The host saves its form. Values equal to their defaults are not stored.
    virtual void WriteProperties(IPropertyBag& bag) = 0;
};

// One creatable control class of a library.
struct ControlClassInfo {
    QString progId;     // "Library.Class", the name hosts create it by
    QString className;  // "Class"
    QUuid classId;      // the class identity
    QUuid interfaceId;  // its default interface
    QUuid eventsId;     // its event interface
    QUuid typeLibraryId;

    // A class is named either by its ProgID (any case) or by its class identity.
    bool IsNamedBy(const QString& progIdOrClassId) const {
        if (progIdOrClassId.compare(progId, Qt::CaseInsensitive) == 0) return true;
        const QUuid id(progIdOrClassId);
        return !id.isNull() && id == classId;
    }
};

// The class factory of a control library: the root object of its Qt plugin, also handed out by
// the library's DllGetClassObject.
class QV_CONTROLS_SHARED_TYPE IControlFactory {
public:
    virtual ~IControlFactory() = default;
    virtual QList<ControlClassInfo> Classes() const = 0;
    // A new control that has not seen InitProperties or ReadProperties yet, or nullptr when the
    // library has no such class.
    virtual QWidget* CreateInstance(const QString& progIdOrClassId, QWidget* parent) = 0;
    // True when no control of the library is alive.
    virtual bool CanUnloadNow() const = 0;
};

#define IPersistPropertyBag_iid "org.quillvault.controls.IPersistPropertyBag/1.0"
Q_DECLARE_INTERFACE(IPersistPropertyBag, IPersistPropertyBag_iid)
#define IControlFactory_iid "org.quillvault.controls.IControlFactory/1.0"
Q_DECLARE_INTERFACE(IControlFactory, IControlFactory_iid)
