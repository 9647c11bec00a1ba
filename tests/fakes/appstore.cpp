// A stand-in for the App Store's lookup service on 127.0.0.1, for tests that must never reach the
// internet. Usage: appstore ANSWERS JOURNAL [answer|fail|garbage|slow]
// ANSWERS is a JSON object of bundle identifier → the result the service gives for it (trackName,
// primaryGenreName, genres, …). It prints its lookup address on the first line of standard
// output, then appends every request's target ("/lookup?bundleId=…") as one line to JOURNAL.
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QUrl>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace {

QByteArray lookupBody(const QJsonObject &answers, const QString &target)
{
    const QUrlQuery query(QUrl(target).query());
    QJsonArray results;
    for (const QString &id :
         query.queryItemValue(u"bundleId"_s, QUrl::FullyDecoded).split(u',', Qt::SkipEmptyParts)) {
        if (!answers.contains(id))
            continue;
        QJsonObject result = answers.value(id).toObject();
        result.insert(u"bundleId"_s, id);
        result.insert(u"wrapperType"_s, u"software"_s);
        results.append(result);
    }
    return QJsonDocument(QJsonObject{{u"resultCount"_s, results.size()}, {u"results"_s, results}})
            .toJson();
}

void respond(QTcpSocket *socket, const QByteArray &status, const QByteArray &body)
{
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: application/json\r\nContent-Length: "
                  + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 3)
        return 64;
    QFile answersFile(arguments.at(1));
    if (!answersFile.open(QIODevice::ReadOnly))
        return 78;
    const QJsonObject answers = QJsonDocument::fromJson(answersFile.readAll()).object();
    const QString journalPath = arguments.at(2);
    const QString mode = arguments.value(3, u"answer"_s);

    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        return 71;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [=, &answers] {
                if (socket->property("seen").toBool())
                    return;
                const QByteArray head = socket->peek(64 * 1024);
                if (!head.contains("\r\n\r\n"))
                    return;
                socket->setProperty("seen", true);
                const QString target = QString::fromUtf8(head.split(' ').value(1));
                QFile journal(journalPath);
                if (journal.open(QIODevice::Append))
                    journal.write(target.toUtf8() + '\n');
                if (mode == u"fail"_s)
                    respond(socket, "503 Service Unavailable", "{}");
                else if (mode == u"garbage"_s)
                    respond(socket, "200 OK", "<html>Maintenance</html>");
                else if (mode == u"answer"_s)
                    respond(socket, "200 OK", lookupBody(answers, target));
                // "slow" never answers.
            });
        }
    });
    QTextStream(stdout) << u"http://127.0.0.1:%1/lookup"_s.arg(server.serverPort()) << Qt::endl;
    return application.exec();
}
