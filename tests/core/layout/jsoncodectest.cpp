#include "jsoncodec.h"
#include "platformerror.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

class JsonCodecTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesEveryTopLevelValue_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QJsonValue>("expected");
        QTest::newRow("string") << "\"abc\""_ba << QJsonValue(u"abc"_s);
        QTest::newRow("string with blanks") << "  \"abc\"\n"_ba << QJsonValue(u"abc"_s);
        QTest::newRow("number") << "42.5"_ba << QJsonValue(42.5);
        QTest::newRow("true") << "true"_ba << QJsonValue(true);
        QTest::newRow("null") << "null"_ba << QJsonValue(QJsonValue::Null);
        QTest::newRow("array") << "[1, \"a\"]"_ba << QJsonValue(QJsonArray{1, u"a"_s});
        QTest::newRow("object") << "{\"b\": [], \"a\": {}}"_ba
                                << QJsonValue(QJsonObject{{u"a"_s, QJsonObject()},
                                                          {u"b"_s, QJsonArray()}});
        // Qt's reader on its own drops a byte-order mark that starts a string.
        QTest::newRow("byte-order marks in strings and keys")
                << "{\"\xEF\xBB\xBFk\": [\"\xEF\xBB\xBFWork\", \"a\\\"\xEF\xBB\xBF\"]}"_ba
                << QJsonValue(QJsonObject{
                           {u"\uFEFFk"_s, QJsonArray{u"\uFEFFWork"_s, u"a\"\uFEFF"_s}}});
    }
    void decodesEveryTopLevelValue()
    {
        QFETCH(QByteArray, text);
        QFETCH(QJsonValue, expected);
        QCOMPARE(JsonCodec::decode(text), expected);
    }

    void refusesWhatIsNotOneJsonValue_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("description");
        QTest::newRow("empty") << ""_ba << u"The response is not valid JSON (it is empty)."_s;
        QTest::newRow("blank") << "  \n"_ba << u"The response is not valid JSON (it is empty)."_s;
        QTest::newRow("two scalars")
                << "1, 2"_ba << u"The response is not valid JSON (it holds more than one value)."_s;
        QTest::newRow("unterminated array")
                << "[[\"com.apple.mobilephone\"], [\"a\"]"_ba
                << u"The response is not valid JSON (unterminated array at offset 33)."_s;
        QTest::newRow("bare word")
                << "hello"_ba << u"The response is not valid JSON (illegal number at offset 0)."_s;
        QTest::newRow("scalar then garbage")
                << "\"a\" ]"_ba
                << u"The response is not valid JSON (garbage at the end of the document at offset 5)."_s;
    }
    void refusesWhatIsNotOneJsonValue()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, description);
        try {
            JsonCodec::decode(text);
            QFAIL("decoded");
        } catch (const PlatformError &error) {
            QCOMPARE(error.description(), description);
        }
    }

    void deepNestingIsRefusedNotFollowed()
    {
        const QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');
        QVERIFY_THROWS_EXCEPTION(PlatformError, JsonCodec::decode(deep));
    }

    void encodesDeterministicallyWithPlainSlashesAndSortedKeys()
    {
        const QJsonObject object{{u"z"_s, u"https://example.com/a"_s}, {u"a"_s, QJsonArray{1, 2}}};
        const QByteArray text = JsonCodec::encode(object);
        QVERIFY(text.contains("https://example.com/a"));
        QVERIFY(text.indexOf("\"a\"") < text.indexOf("\"z\""));
        QCOMPARE(JsonCodec::encode(JsonCodec::decode(text)), text);
    }

    void encodesScalarsAsSingleValues_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("string") << QJsonValue(u"a/b \"c\""_s) << "\"a/b \\\"c\\\"\""_ba;
        QTest::newRow("number") << QJsonValue(1.5) << "1.5"_ba;
        QTest::newRow("null") << QJsonValue(QJsonValue::Null) << "null"_ba;
    }
    void encodesScalarsAsSingleValues()
    {
        QFETCH(QJsonValue, value);
        QFETCH(QByteArray, text);
        QCOMPARE(JsonCodec::encode(value), text);
        QCOMPARE(JsonCodec::decode(text), value);
    }
};

QTEST_GUILESS_MAIN(JsonCodecTest)
#include "jsoncodectest.moc"
