// The report dialog: what it sends to a server on 127.0.0.1, and that the
// crash files go away whatever happens.
#include "crash/crashreporter.h"
#include "crash/crashuploadanimation.h"
#include "crash/report.h"

#include <QCheckBox>
#include <QApplication>
#include <QTimer>
#include <QMessageBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

using namespace kerfloom;

namespace {

// A one-request HTTP server: keeps what it received, answers 200 unless told
// to stay silent.
class HttpSink : public QObject
{
public:
    explicit HttpSink(bool answer) : m_answer(answer)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = m_server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                request += socket->readAll();
                const int headerEnd = request.indexOf("\r\n\r\n");
                const auto m = QRegularExpression(QStringLiteral("Content-Length: (\\d+)"),
                                                  QRegularExpression::CaseInsensitiveOption)
                                   .match(QString::fromLatin1(request.left(headerEnd)));
                if (headerEnd >= 0 && m.hasMatch() && request.size() - headerEnd - 4 >= m.captured(1).toInt()
                    && m_answer)
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            });
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/crash").arg(m_server.serverPort()); }
    // name -> (header line, bytes) of every part of the received form.
    QMap<QString, QPair<QString, QByteArray>> parts() const
    {
        QMap<QString, QPair<QString, QByteArray>> out;
        const auto b = QRegularExpression(QStringLiteral("boundary=([^\\r\\n]+)")).match(QString::fromLatin1(request));
        if (!b.hasMatch())
            return out;
        const QByteArray boundary = "--" + b.captured(1).toLatin1();
        const QByteArray body = request.mid(request.indexOf("\r\n\r\n") + 4);
        EXPECT_TRUE(body.endsWith(boundary + "--\r\n"));
        int at = body.indexOf(boundary);
        while (at >= 0) {
            const int next = body.indexOf(boundary, at + boundary.size());
            if (next < 0)
                break;
            const QByteArray part = body.mid(at + boundary.size() + 2, next - at - boundary.size() - 4);
            const int headEnd = part.indexOf("\r\n\r\n");
            const QString head = QString::fromUtf8(part.left(headEnd));
            const QString name = QRegularExpression(QStringLiteral("name=\"([^\"]*)\"")).match(head).captured(1);
            out.insert(name, {head.section(QStringLiteral("\r\n"), 0, 0), part.mid(headEnd + 4)});
            at = next;
        }
        return out;
    }
    QByteArray request;

private:
    QTcpServer m_server;
    bool m_answer;
};

class Reporter : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString dump;

    void SetUp() override
    {
        dump = dir.filePath(QStringLiteral("0a1b.dmp"));
        QFile f(dump);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("MDMP\0\x01\x02", 7));
    }
    void expectFilesGone(const CrashReporter &r)
    {
        for (const auto &a : r.attachments()) {
            if (a.isFile) {
                EXPECT_FALSE(QFile::exists(a.filePath)) << qPrintable(a.filePath);
            }
        }
    }
};

TEST_F(Reporter, SendsEveryPartWithNamesFileNamesAndBytes)
{
    HttpSink server(true);
    CrashReporter reporter(dump);
    reporter.setUploadUrl(server.url());
    reporter.setRestartProgram(QStringLiteral("/bin/true"));
    const QByteArray report = [&] {
        QFile f(crash::reportPath(dump));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_TRUE(report.startsWith("<?xml"));
    reporter.findChild<QTextEdit *>(QStringLiteral("comment"))->setPlainText(QStringLiteral("Cut a wing — then boom"));
    reporter.findChild<QLineEdit *>(QStringLiteral("email"))->setText(QStringLiteral("a@b.example"));
    reporter.accept();

    EXPECT_TRUE(server.request.startsWith("POST /crash HTTP/1.1"));
    const auto parts = server.parts();
    EXPECT_EQ(parts.keys(), (QStringList{QStringLiteral("description"), QStringLiteral("e-mail"),
                                         QStringLiteral("minidump"), QStringLiteral("report"),
                                         QStringLiteral("screenshot")}));
    EXPECT_EQ(parts[QStringLiteral("minidump")].first,
              QStringLiteral("Content-Disposition: form-data; name=\"minidump\"; filename=\"0a1b.dmp\""));
    EXPECT_EQ(parts[QStringLiteral("minidump")].second, QByteArray("MDMP\0\x01\x02", 7));
    EXPECT_EQ(parts[QStringLiteral("report")].second, report);
    // No details file: no screenshot, but the part is there with its name.
    EXPECT_EQ(parts[QStringLiteral("screenshot")].first,
              QStringLiteral("Content-Disposition: form-data; name=\"screenshot\"; filename=\"0a1b.png\""));
    EXPECT_TRUE(parts[QStringLiteral("screenshot")].second.isEmpty());
    EXPECT_EQ(parts[QStringLiteral("description")].first,
              QStringLiteral("Content-Disposition: form-data; name=\"description\""));
    EXPECT_EQ(QString::fromUtf8(parts[QStringLiteral("description")].second), QStringLiteral("Cut a wing — then boom"));
    EXPECT_EQ(parts[QStringLiteral("e-mail")].second, QByteArray("a@b.example"));
    expectFilesGone(reporter);
    EXPECT_EQ(reporter.result(), QDialog::Accepted);
}

TEST_F(Reporter, EmptyCommentStillSendsEmptyParts)
{
    HttpSink server(true);
    CrashReporter reporter(dump);
    reporter.setUploadUrl(server.url());
    reporter.reject();
    const auto parts = server.parts();
    ASSERT_TRUE(parts.contains(QStringLiteral("description")) && parts.contains(QStringLiteral("e-mail")));
    EXPECT_TRUE(parts[QStringLiteral("description")].second.isEmpty());
    EXPECT_TRUE(parts[QStringLiteral("e-mail")].second.isEmpty());
    EXPECT_EQ(reporter.result(), QDialog::Rejected);
}

TEST_F(Reporter, UncheckedSendReportSendsNothingAndDeletesFiles)
{
    HttpSink server(true);
    CrashReporter reporter(dump);
    reporter.setUploadUrl(server.url());
    reporter.findChild<QCheckBox *>(QStringLiteral("sendReport"))->setChecked(false);
    reporter.reject();
    QTest::qWait(50);
    EXPECT_TRUE(server.request.isEmpty());
    expectFilesGone(reporter);
}

TEST_F(Reporter, FailedRestartWarnsAndStillCloses)
{
    CrashReporter reporter(dump);
    reporter.setRestartProgram(QStringLiteral("/nonexistent/Kerfloom"));
    reporter.findChild<QCheckBox *>(QStringLiteral("sendReport"))->setChecked(false);
    reporter.show();
    QString title, text;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    poll.start(20);
    reporter.accept();
    EXPECT_EQ(title, QStringLiteral("Kerfloom has failed to restart itself."));
    EXPECT_EQ(text, QStringLiteral("Kerfloom has failed to restart itself. Please do it manually."));
    EXPECT_EQ(reporter.result(), QDialog::Accepted);
    EXPECT_FALSE(reporter.isVisible());
    expectFilesGone(reporter);
}

TEST_F(Reporter, DeadOrSilentServerEndsInBoundedTimeWithFilesDeleted)
{
    QString refused;
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        refused = QStringLiteral("http://127.0.0.1:%1/crash").arg(closed.serverPort());
    }
    HttpSink silent(false);
    for (const QString &url : {refused, silent.url()}) {
        SetUp();
        CrashReporter reporter(dump);
        reporter.setUploadUrl(url);
        reporter.setUploadTimeout(400);
        reporter.show();
        QElapsedTimer clock;
        clock.start();
        reporter.reject();
        EXPECT_LT(clock.elapsed(), 5000) << qPrintable(url);
        EXPECT_FALSE(reporter.isVisible());
        expectFilesGone(reporter);
    }
}

TEST_F(Reporter, NoServerConfiguredMeansNoRequest)
{
    qputenv("KERFLOOM_BASE_URL", "");
    CrashReporter reporter(dump);
    reporter.reject(); // nothing to connect to, nothing waited for
    expectFilesGone(reporter);
}

TEST_F(Reporter, AddCommentUnfoldsTheCommentGroup)
{
    CrashReporter reporter(dump);
    reporter.show();
    // The rule runs across the dialog, however short its picture.
    const auto *rule = reporter.findChild<QLabel *>(QStringLiteral("rule"));
    EXPECT_GT(rule->contentsRect().width(), reporter.width() * 3 / 4);
    const QImage drawn = const_cast<QLabel *>(rule)->grab().toImage();
    const QRect line = rule->contentsRect();
    EXPECT_EQ(drawn.pixelColor(line.left() + 1, line.top()), QColor(0xc8, 0xc8, 0xc8));
    EXPECT_EQ(drawn.pixelColor(line.right() - 1, line.top()), QColor(0xc8, 0xc8, 0xc8));
    EXPECT_EQ(rule->contentsMargins(), QMargins(0, 18, 0, 18));
    auto *group = reporter.findChild<QGroupBox *>(QStringLiteral("commentGroup"));
    EXPECT_EQ(group->maximumHeight(), 0);
    reporter.findChild<QLabel *>(QStringLiteral("addComment"))->linkActivated(QStringLiteral("#"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return group->minimumHeight() == 170; }, 2000));
    EXPECT_EQ(group->maximumHeight(), QWIDGETSIZE_MAX);
    EXPECT_TRUE(reporter.findChild<QLabel *>(QStringLiteral("addComment"))->isHidden());
    // The dialog grew: the unfolded group lies above the check box and the
    // buttons instead of over them.
    const auto *send = reporter.findChild<QCheckBox *>(QStringLiteral("sendReport"));
    const auto *close = reporter.findChild<QPushButton *>(QStringLiteral("closeButton"));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return group->geometry().bottom() < send->geometry().top()
               && group->geometry().bottom() < close->geometry().top();
    }, 1000)) << group->geometry().bottom() << " " << send->geometry().top();
    EXPECT_GE(group->height(), 170);
}

TEST(ReporterViewer, ColoursTagsAttributesAndSections)
{
    const QString html = CrashReporter::colouredXml(QStringLiteral("<?xml version=\"1.0\" ?>\n<A x=\"1\">&</A>"));
    EXPECT_TRUE(html.startsWith(QLatin1String("<pre style=\"margin: 5px; padding: 15px;\">")));
    EXPECT_TRUE(html.contains(QLatin1String("<font color=\"#800000\">")));
    EXPECT_TRUE(html.contains(QLatin1String("<font color=\"#F00\">x</font><font color=\"#000\">=</font>"
                                            "<font color=\"#8000FF\">&quot;1&quot;</font>")));
    EXPECT_TRUE(html.contains(QLatin1String("&amp;")));
    EXPECT_TRUE(html.contains(QLatin1String("&lt;/<font color=\"#00F\">A</font>&gt;")));
    EXPECT_EQ(CrashReporter::hexDump(QByteArray("\x00\xAB", 2)),
              QStringLiteral("<pre style=\"margin: 5px; padding: 15px; font-size: 10px;\">00000000  00 AB \n</pre>"));
}

TEST(ReporterAnimation, TurnsTenDegreesPerTick)
{
    CrashUploadAnimation animation;
    EXPECT_TRUE(animation.isHidden());
    EXPECT_EQ(animation.size(), QSize(50, 16));
    animation.start();
    EXPECT_TRUE(animation.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return animation.angle() >= 30; }, 2000));
    EXPECT_EQ(int(animation.angle()) % 10, 0);
}

} // namespace
