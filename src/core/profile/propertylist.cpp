#include "propertylist.h"

#include "varnoleterror.h"

#include <QDateTime>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

using namespace Qt::StringLiterals;

namespace {

void writeValue(QXmlStreamWriter &xml, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        xml.writeStartElement(u"dict"_s);
        const QVariantMap map = value.toMap();
        for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
            xml.writeTextElement(u"key"_s, entry.key());
            writeValue(xml, entry.value());
        }
        xml.writeEndElement();
        return;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        xml.writeStartElement(u"array"_s);
        for (const QVariant &element : value.toList())
            writeValue(xml, element);
        xml.writeEndElement();
        return;
    case QMetaType::QString:
        xml.writeTextElement(u"string"_s, value.toString());
        return;
    case QMetaType::Bool:
        xml.writeEmptyElement(value.toBool() ? u"true"_s : u"false"_s);
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
        xml.writeTextElement(u"integer"_s, QString::number(value.toLongLong()));
        return;
    case QMetaType::Double:
        xml.writeTextElement(u"real"_s, QString::number(value.toDouble(), 'g', 17));
        return;
    case QMetaType::QDateTime:
        xml.writeTextElement(u"date"_s, value.toDateTime().toUTC().toString(Qt::ISODate));
        return;
    case QMetaType::QByteArray:
        xml.writeTextElement(u"data"_s, QString::fromLatin1(value.toByteArray().toBase64()));
        return;
    default:
        throw VarnoletError(u"A value of type %1 cannot be written to a property list."_s.arg(
                QString::fromLatin1(value.typeName())));
    }
}

[[noreturn]] void refuse(const QXmlStreamReader &xml, const QString &problem)
{
    throw VarnoletError(u"The file is not a property list Varnolet can read: %1 (line %2)."_s.arg(
            problem, QString::number(xml.lineNumber())));
}

// Reads the value whose start element the reader is on, up to and including its end element.
QVariant readValue(QXmlStreamReader &xml)
{
    const QString tag = xml.name().toString();
    if (tag == u"dict"_s) {
        QVariantMap map;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"key"_s)
                refuse(xml, u"a dict entry has no key"_s);
            const QString key = xml.readElementText();
            if (!xml.readNextStartElement())
                refuse(xml, u"the key “%1” has no value"_s.arg(key));
            map.insert(key, readValue(xml));
        }
        return map;
    }
    if (tag == u"array"_s) {
        QVariantList list;
        while (xml.readNextStartElement())
            list.append(readValue(xml));
        return list;
    }
    if (tag == u"true"_s || tag == u"false"_s) {
        xml.skipCurrentElement();
        return tag == u"true"_s;
    }
    const QString text = xml.readElementText();
    bool ok = true;
    QVariant value;
    if (tag == u"string"_s)
        value = text;
    else if (tag == u"integer"_s)
        value = text.trimmed().toLongLong(&ok);
    else if (tag == u"real"_s)
        value = text.trimmed().toDouble(&ok);
    else if (tag == u"date"_s)
        value = QDateTime::fromString(text.trimmed(), Qt::ISODate);
    else if (tag == u"data"_s)
        value = QByteArray::fromBase64(text.toLatin1());
    else
        refuse(xml, u"unknown element “%1”"_s.arg(tag));
    if (!ok)
        refuse(xml, u"“%1” is not a number"_s.arg(text));
    return value;
}

} // namespace

QByteArray PropertyList::write(const QVariant &value)
{
    QByteArray data;
    QXmlStreamWriter xml(&data);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDTD(u"<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                 u"\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"_s);
    xml.writeStartElement(u"plist"_s);
    xml.writeAttribute(u"version"_s, u"1.0"_s);
    writeValue(xml, value);
    xml.writeEndElement();
    xml.writeEndDocument();
    return data;
}

QVariant PropertyList::read(const QByteArray &data)
{
    QXmlStreamReader xml(data);
    if (!xml.readNextStartElement() || xml.name() != u"plist"_s)
        refuse(xml, u"it does not start with a plist element"_s);
    if (!xml.readNextStartElement())
        refuse(xml, u"the plist is empty"_s);
    const QVariant value = readValue(xml);
    if (xml.hasError())
        refuse(xml, xml.errorString());
    return value;
}
