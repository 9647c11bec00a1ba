// A stand-in for the App Store's lookup service on 127.0.0.1, so that tests never reach the
// internet. Usage: appstore ANSWERS JOURNAL [answer|fail|garbage|slow]. ANSWERS is a JSON object of
// bundle identifier → the service's result for it. Prints its lookup address on standard output,
// then appends each request's target ("/lookup?bundleId=…") as a line to JOURNAL.
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    QFile answersFile(arguments.value(1)), journal(arguments.value(2));
    QTcpServer server;
    if (!answersFile.open(QIODevice::ReadOnly)
        || !journal.open(QIODevice::Append | QIODevice::Unbuffered)
        || !server.listen(QHostAddress::LocalHost))
        return 64;
    const QJsonObject answers = QJsonDocument::fromJson(answersFile.readAll()).object();
    const QString mode = arguments.value(3, u"answer"_s);
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket *socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
            const QByteArray head = socket->peek(64 * 1024);
            if (!head.contains("\r\n\r\n") || socket->property("seen").toBool())
                return;
            socket->setProperty("seen", true);
            const QByteArray target = head.split(' ').value(1);
            journal.write(target + '\n');
            if (mode == u"slow"_s)
                return;
            QJsonArray results;
            for (const QString &id : QUrlQuery(QUrl(QString::fromUtf8(target)).query())
                                             .queryItemValue(u"bundleId"_s, QUrl::FullyDecoded)
                                             .split(u','))
                if (QJsonObject result = answers[id].toObject(); !result.isEmpty()) {
                    result[u"bundleId"_s] = id;
                    results.append(result);
                }
            const QByteArray body = mode == u"garbage"_s
                    ? "<html>Maintenance</html>"
                    : QJsonDocument(QJsonObject{{u"results"_s, results}}).toJson();
            socket->write(
                    (mode == u"fail"_s ? "HTTP/1.1 503 Service Unavailable" : "HTTP/1.1 200 OK")
                    + "\r\nContent-Length: "_ba + QByteArray::number(body.size())
                    + "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    });
    QTextStream(stdout) << u"http://127.0.0.1:%1/lookup"_s.arg(server.serverPort()) << Qt::endl;
    return application.exec();
}
