#include "crash/crashreporter.h"

#include "crash/crashuploadanimation.h"
#include "crash/report.h"
#include "formats/settings.h"
#include "resources/resources.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QUuid>
#include <QVBoxLayout>

#include <cstdio>

static void initCrashResources()
{
    Q_INIT_RESOURCE(crash); // the pictures live in a static library
    kerfloom::initResources(); // the rule, ":/Kerfloom/Resources/hline.png"
}

namespace kerfloom {
namespace {

QLabel *linkLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(QStringLiteral("<a href=\"#\" style=\"color: #4e4e4e;\">%1</a>").arg(text), parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::RichText);
    return label;
}

QPushButton *boldButton(const QString &name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    button->setMinimumWidth(QFontMetrics(font).horizontalAdvance(text) + 18);
    return button;
}

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '\'': out += QLatin1String("&#039;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        default: out += c;
        }
    }
    return out;
}

// The viewer shows what will be sent; a dump of many megabytes is cut short.
constexpr int kHexDumpLimit = 256 * 1024;

} // namespace

CrashReporter::CrashReporter(const QString &dumpPath, QWidget *parent)
    : QDialog(parent), m_dumpPath(dumpPath), m_restartProgram(QCoreApplication::applicationFilePath()),
      m_uploadUrl(Settings::baseUrl().isEmpty() ? QString() : Settings::baseUrl() + QStringLiteral("/crash"))
{
    m_attachments.insert(QStringLiteral("minidump"), {dumpPath, {}, true});
    m_attachments.insert(QStringLiteral("report"), {crash::reportPath(dumpPath), {}, true});
    m_attachments.insert(QStringLiteral("screenshot"), {crash::screenshotPath(dumpPath), {}, true});
    crash::writeReport(dumpPath, crash::currentEnvironment());
    buildForm();
}

void CrashReporter::buildForm()
{
    initCrashResources();
    setObjectName(QStringLiteral("CrashReporterClass"));
    setWindowFlags(Qt::Window);
    setWindowIcon(QIcon(QStringLiteral(":/CrashReporter/icon")));
    setMinimumSize(460, 245);
    setWindowTitle(tr("Crash reporting"));

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/Kerfloom/Resources/icon64.png")));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    auto *texts = new QVBoxLayout;
    auto *title = new QLabel(tr("<b>Kerfloom</b> has stopped working"), this);
    auto *explanation = new QLabel(tr("There was an error in the application and it can't stay running any longer."), this);
    explanation->setWordWrap(true);
    texts->addWidget(title);
    texts->addWidget(explanation);
    top->addLayout(texts, 1);
    layout->addLayout(top);

    auto *rule = new QLabel(this);
    rule->setObjectName(QStringLiteral("rule"));
    const QPixmap line(QStringLiteral(":/Kerfloom/Resources/hline.png"));
    rule->setPixmap(line);
    // The picture is a short piece of the rule (the program's own is a few
    // pixels wide): stretched, it runs across the dialog.
    rule->setScaledContents(true);
    rule->setContentsMargins(0, 18, 0, 18);
    rule->setMinimumWidth(1);
    rule->setFixedHeight(line.height() + 36);
    rule->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(rule);

    auto *info = new QLabel(tr("Crash report has been generated and you can send it to our developers. Every "
                               "submission is treated anonymously and the report doesn't contain any "
                               "confidential information."), this);
    info->setWordWrap(true);
    layout->addWidget(info);

    m_commentGroup = new QGroupBox(tr("Comment"), this);
    m_commentGroup->setObjectName(QStringLiteral("commentGroup"));
    auto *commentLayout = new QVBoxLayout(m_commentGroup);
    m_comment = new QTextEdit(m_commentGroup);
    m_comment->setObjectName(QStringLiteral("comment"));
    commentLayout->addWidget(m_comment);
    commentLayout->addWidget(new QLabel(tr("Your e-mail address (optional):"), m_commentGroup));
    m_email = new QLineEdit(m_commentGroup);
    m_email->setObjectName(QStringLiteral("email"));
    commentLayout->addWidget(m_email);
    m_commentGroup->setMaximumHeight(0);
    layout->addWidget(m_commentGroup);

    auto *links = new QHBoxLayout;
    links->addWidget(linkLabel(QStringLiteral("reportDetails"), tr("Details..."), this));
    m_addComment = linkLabel(QStringLiteral("addComment"), tr("Add comment"), this);
    links->addWidget(m_addComment);
    links->addStretch(1);
    layout->addLayout(links);

    auto *bottom = new QHBoxLayout;
    m_send = new QCheckBox(tr("Send report"), this);
    m_send->setObjectName(QStringLiteral("sendReport"));
    m_send->setChecked(true);
    bottom->addWidget(m_send);
    m_animation = new CrashUploadAnimation(this);
    m_animation->setObjectName(QStringLiteral("uploadAnimation"));
    bottom->addWidget(m_animation);
    bottom->addStretch(1);
    m_close = boldButton(QStringLiteral("closeButton"), tr("Close application"), this);
    m_restart = boldButton(QStringLiteral("restartButton"), tr("Restart application"), this);
    connect(m_close, &QPushButton::clicked, this, &CrashReporter::reject);
    connect(m_restart, &QPushButton::clicked, this, &CrashReporter::accept);
    bottom->addWidget(m_close);
    bottom->addWidget(m_restart);
    layout->addLayout(bottom);

    QMetaObject::connectSlotsByName(this);
}

void CrashReporter::on_addComment_linkActivated(const QString &)
{
    m_addComment->hide();
    auto *animation = new QPropertyAnimation(m_commentGroup, "maximumHeight", this);
    animation->setDuration(500);
    animation->setStartValue(0);
    animation->setEndValue(230);
    animation->setEasingCurve(QEasingCurve::OutQuad);
    connect(animation, &QPropertyAnimation::valueChanged, this, &CrashReporter::growToFit);
    connect(animation, &QPropertyAnimation::finished, this, [this] {
        m_commentGroup->setMinimumHeight(170);
        m_commentGroup->setMaximumHeight(QWIDGETSIZE_MAX);
        growToFit();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void CrashReporter::growToFit()
{
    // The dialog's own minimum size is fixed, so the layout cannot make room
    // for the unfolding group: without this the group would be drawn over
    // the links and the buttons.
    layout()->activate();
    const int wanted = std::max(sizeHint().height(), layout()->minimumSize().height());
    if (height() < wanted)
        resize(width(), wanted);
}

void CrashReporter::on_reportDetails_linkActivated(const QString &)
{
    QDialog viewer(this);
    viewer.setWindowTitle(tr("Report details"));
    viewer.resize(805, 600);
    auto *layout = new QVBoxLayout(&viewer);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *topWidget = new QWidget(&viewer);
    topWidget->setObjectName(QStringLiteral("topWidget"));
    topWidget->setStyleSheet(QStringLiteral("#topWidget { background: white; }"));
    auto *topLayout = new QVBoxLayout(topWidget);
    auto *tree = new QTreeWidget(topWidget);
    tree->setObjectName(QStringLiteral("attachments"));
    tree->setHeaderLabels({tr("Name"), tr("Value"), tr("Size")});
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setStyleSheet(QStringLiteral("QTreeView::item { height: 21px; }"));
    tree->setMaximumHeight(140);
    auto *view = new QTextBrowser(topWidget);
    view->setObjectName(QStringLiteral("content"));
    view->setFont(QFont(QStringLiteral("Courier New")));
    topLayout->addWidget(tree);
    topLayout->addWidget(view, 1);
    layout->addWidget(topWidget);

    for (auto it = m_attachments.cbegin(); it != m_attachments.cend(); ++it) {
        const QFileInfo file(it->filePath);
        auto *item = new QTreeWidgetItem(tree, {it.key(), it->isFile ? file.fileName() : QString::fromUtf8(it->value),
                                                QString::number(it->isFile ? file.size() : it->value.size())});
        item->setData(0, Qt::UserRole, it.key());
    }
    connect(tree, &QTreeWidget::currentItemChanged, &viewer, [this, view](QTreeWidgetItem *item) {
        if (!item)
            return;
        const crash::Attachment a = m_attachments.value(item->data(0, Qt::UserRole).toString());
        if (!a.isFile) {
            view->setPlainText(QString::fromUtf8(a.value));
            return;
        }
        QFile file(a.filePath);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(kHexDumpLimit) : QByteArray();
        if (a.filePath.endsWith(QLatin1String(".xml")))
            view->setHtml(colouredXml(QString::fromUtf8(bytes)));
        else if (a.filePath.endsWith(QLatin1String(".png")))
            view->setHtml(QStringLiteral("<img src=\"%1\">").arg(a.filePath.toHtmlEscaped()));
        else
            view->setHtml(hexDump(bytes));
    });
    if (tree->topLevelItemCount())
        tree->setCurrentItem(tree->topLevelItem(0));
    viewer.exec();
}

QString CrashReporter::colouredXml(const QString &xml)
{
    QString t = escaped(xml);
    using RE = QRegularExpression;
    t.replace(RE(QStringLiteral("&lt;([/]*)(.*?)([\\s]*)&gt;")),
              QStringLiteral("<font color=\"#00F\">&lt;\\1\\2\\3&gt;</font>"));
    t.replace(RE(QStringLiteral("&lt;([\\?])(.*?)([\\?])&gt;")),
              QStringLiteral("<font color=\"#800000\">&lt;\\1\\2\\3&gt;</font>"));
    t.replace(RE(QStringLiteral("&lt;([^\\s\\?/=])(.*?)([\\[\\s/]|&gt;)")),
              QStringLiteral("&lt;<font color=\"#00F\">\\1\\2</font>\\3"));
    t.replace(RE(QStringLiteral("&lt;([/])([^\\s]*?)([\\s\\]]*?)&gt;")),
              QStringLiteral("&lt;\\1<font color=\"#00F\">\\2</font>\\3&gt;"));
    t.replace(RE(QStringLiteral("([^\\s]*)\\=(&quot;|')(.*?)(&quot;|')")),
              QStringLiteral("<font color=\"#F00\">\\1</font><font color=\"#000\">=</font>"
                             "<font color=\"#8000FF\">\\2\\3\\4</font>"));
    t.replace(RE(QStringLiteral("&lt;(.*?)(\\[)(.*?)(\\])&gt;")),
              QStringLiteral("&lt;\\1<font color=\"#F00\">\\2\\3\\4</font>&gt;"));
    return QStringLiteral("<pre style=\"margin: 5px; padding: 15px;\">%1</pre>").arg(t);
}

QString CrashReporter::hexDump(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 3 + bytes.size() / 16 * 12);
    for (int i = 0; i < bytes.size(); i += 16) {
        out += QStringLiteral("%1  ").arg(i, 8, 16, QLatin1Char('0')).toUpper();
        for (int j = i; j < std::min(i + 16, bytes.size()); ++j) {
            const auto b = static_cast<unsigned char>(bytes.at(j));
            out += QLatin1Char(digits[b >> 4]);
            out += QLatin1Char(digits[b & 15]);
            out += QLatin1Char(' ');
        }
        out += QLatin1Char('\n');
    }
    return QStringLiteral("<pre style=\"margin: 5px; padding: 15px; font-size: 10px;\">%1</pre>").arg(out);
}

void CrashReporter::disableButtons()
{
    m_close->setEnabled(false);
    m_restart->setEnabled(false);
    m_send->setEnabled(false);
}

void CrashReporter::accept()
{
    disableButtons();
    // A restart after a deliberate crash must not crash again.
    qunsetenv("KERFLOOM_CRASH_TEST");
    if (!QProcess::startDetached(m_restartProgram, {})) {
        QMessageBox::warning(this, tr("Kerfloom has failed to restart itself."),
                             tr("Kerfloom has failed to restart itself. Please do it manually."), QMessageBox::Ok);
    }
    finish(m_send->isChecked());
    QDialog::accept();
}

void CrashReporter::reject()
{
    disableButtons();
    finish(m_send->isChecked());
    QDialog::reject();
}

void CrashReporter::finish(bool send)
{
    if (send) {
        m_attachments.insert(QStringLiteral("description"), {{}, m_comment->toPlainText().toUtf8(), false});
        m_attachments.insert(QStringLiteral("e-mail"), {{}, m_email->text().toUtf8(), false});
        upload();
    }
    for (const crash::Attachment &a : qAsConst(m_attachments))
        if (a.isFile && QFile::exists(a.filePath))
            QFile::remove(a.filePath);
}

void CrashReporter::upload()
{
    if (m_uploadUrl.isEmpty())
        return; // no server configured: nothing is ever sent
    m_animation->start();
    // Braces are not allowed in a boundary; the UUID's digits are enough.
    const QByteArray boundary = QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1();
    const QByteArray body = crash::multipartBody(m_attachments, boundary);
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(m_uploadUrl)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("multipart/form-data; boundary=") + boundary);
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    QNetworkReply *reply = manager.post(request, body);
    connect(&manager, &QNetworkAccessManager::finished, &m_loop, &QEventLoop::quit);
    connect(reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64 total) {
        if (total > 0)
            m_animation->setText(QStringLiteral("%1%").arg(sent * 100 / total));
    });
    // A server that never answers must not keep the crashed program alive.
    QTimer::singleShot(m_uploadTimeoutMs, reply, &QNetworkReply::abort);
    if (!reply->isFinished())
        m_loop.exec();
    delete reply;
}

int runCrashReporter(const QString &dumpPath)
{
    // The dialog deletes the files it names and writes the report beside the
    // dump: never do that to a file that is not one of our dumps.
    if (!dumpPath.endsWith(QLatin1String(".dmp"))) {
        std::fprintf(stderr, "Kerfloom: not a crash dump: %s\n", qPrintable(dumpPath));
        return 1;
    }
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        // Nobody can answer a dialog: keep the report for later.
        if (!crash::writeReport(dumpPath, crash::currentEnvironment())) {
            std::fprintf(stderr, "Kerfloom crashed; the report cannot be written: %s (the dump stays: %s)\n",
                         qPrintable(crash::reportPath(dumpPath)), qPrintable(dumpPath));
            return 1;
        }
        std::fprintf(stderr, "Kerfloom crashed; report: %s\n", qPrintable(crash::reportPath(dumpPath)));
        return 0;
    }
    CrashReporter reporter(dumpPath);
    reporter.show();
    // KERFLOOM_SCREENSHOT=out.png (scripts/screenshot.sh): picture the screen
    // with the details viewer open, then close as the user would.
    const QString screenshot = qEnvironmentVariable("KERFLOOM_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(800, &reporter, [&reporter] { reporter.on_reportDetails_linkActivated({}); });
        QTimer::singleShot(1400, &reporter, [] {
            if (QWidget *viewer = QApplication::activeModalWidget())
                if (auto *tree = viewer->findChild<QTreeWidget *>(QStringLiteral("attachments")))
                    tree->setCurrentItem(tree->topLevelItem(1)); // the report
        });
        QTimer::singleShot(2000, &reporter, [&reporter, screenshot] {
            // The two windows side by side, each drawn by itself: no window
            // manager places them under Xvfb.
            QWidget *viewer = QApplication::activeModalWidget();
            const QPixmap left = reporter.grab();
            const QPixmap right = viewer ? viewer->grab() : QPixmap();
            QPixmap picture(left.width() + right.width() + 36, std::max(left.height(), right.height()) + 24);
            picture.fill(QColor(0x5a, 0x64, 0x70));
            QPainter painter(&picture);
            painter.drawPixmap(12, 12, left);
            painter.drawPixmap(left.width() + 24, 12, right);
            painter.end();
            picture.save(screenshot, "PNG");
            if (viewer)
                viewer->close();
            QTimer::singleShot(0, &reporter, &CrashReporter::reject);
        });
    }
    return QApplication::exec();
}

} // namespace kerfloom
