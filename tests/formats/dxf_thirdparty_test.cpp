// Our DXF files against ezdxf, an independent reader and writer: it must
// accept what we write, and we must load what it writes the way the
// geometry it describes says.
#include "dxftestsupport.h"
#include "testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using namespace test;

namespace {

const QString Script = QStringLiteral(KERFLOOM_TEST_SCRIPTS "/dxf_thirdparty.py");

// The system's Python carries Debian's python3-ezdxf; a python3 earlier in
// PATH (a virtual environment) may not.
QString pythonWithEzdxf()
{
    static const QString found = [] {
        for (const QString &candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
            QProcess p;
            p.start(candidate, {QStringLiteral("-c"), QStringLiteral("import ezdxf")});
            if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
                return candidate;
        }
        return QString();
    }();
    return found;
}

#define REQUIRE_EZDXF()                                                                            \
    if (pythonWithEzdxf().isEmpty())                                                               \
    GTEST_SKIP() << "python3-ezdxf is not installed (scripts/install-deps.sh installs it)"

QByteArray runScript(const QStringList &args)
{
    QProcess p;
    p.start(pythonWithEzdxf(), QStringList{Script} + args);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << "dxf_thirdparty.py " << args.join(' ').toStdString() << " failed: "
                      << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

struct Written
{
    const char *name;
    std::function<void(Drawing &)> fill;
};

using DxfThirdParty = DxfOptions;

} // namespace

TEST_F(DxfThirdParty, EzdxfAcceptsWhatWeWrite)
{
    REQUIRE_EZDXF();
    const Written drawings[] = {
        {"empty", [](Drawing &) {}},
        {"one point", [](Drawing &d) { addShape(d, {{1.5, -2}}); }},
        {"closed and open", [](Drawing &d) {
             addShape(d, square(0, 0, 10));
             addShape(d, {{20, 0}, {25, 5}, {30, 0}});
             addShape(d, {{-1e-4, 123456.789}, {0.1234567, 1e6}});
         }},
        {"10000 objects", [](Drawing &d) {
             for (int i = 0; i < 10000; ++i)
                 addShape(d, i % 2 ? square(i % 100 * 12.0, i / 100 * 12.0, 10)
                                   : Pts{{i * 0.5, 0}, {i * 0.5, 3}, {i * 0.5 + 0.25, 1}});
         }},
    };
    QTemporaryDir dir;
    for (const Written &w : drawings) {
        Drawing d;
        w.fill(d);
        d.updateBoundingRect();
        const QString path = dir.filePath(QStringLiteral("out.dxf"));
        ASSERT_TRUE(dxf::write(path, d)) << w.name;
        const QJsonObject r = QJsonDocument::fromJson(runScript({QStringLiteral("check"), path})).object();
        ASSERT_FALSE(r.isEmpty()) << w.name;
        EXPECT_EQ(r[QLatin1String("errors")].toArray(), QJsonArray()) << w.name << ": "
            << QJsonDocument(r[QLatin1String("errors")].toArray()).toJson().toStdString();
        EXPECT_TRUE(r[QLatin1String("strict")].toBool()) << w.name;
        EXPECT_EQ(r[QLatin1String("version")].toString(), QLatin1String("AC1018")) << w.name;
        EXPECT_EQ(r[QLatin1String("insunits")].toInt(), 4) << w.name;
        const QJsonArray polylines = r[QLatin1String("polylines")].toArray();
        ASSERT_EQ(size_t(polylines.size()), d.objects().size()) << w.name;
        EXPECT_EQ(r[QLatin1String("entities")].toInt(), polylines.size()) << w.name;
        for (int i = 0; i < polylines.size(); ++i) {
            const QJsonObject p = polylines[i].toObject();
            const Object &o = *d.objects()[size_t(i)];
            ASSERT_EQ(p[QLatin1String("count")].toInt(), o.size()) << w.name << " " << i;
            EXPECT_EQ(p[QLatin1String("closed")].toBool(), o.isClosed()) << w.name << " " << i;
            const QJsonArray first = p[QLatin1String("first")].toArray();
            EXPECT_NEAR(first[0].toDouble(), o.points.front()->x, 1e-5 * std::max(1.0, std::abs(o.points.front()->x)));
            EXPECT_NEAR(first[1].toDouble(), o.points.front()->y, 1e-5 * std::max(1.0, std::abs(o.points.front()->y)));
        }
    }
}

TEST_F(DxfThirdParty, LoadsEzdxfFilesInEveryUnit)
{
    REQUIRE_EZDXF();
    QTemporaryDir dir;
    runScript({QStringLiteral("generate"), dir.path()});
    QFile manifestFile(dir.filePath(QStringLiteral("manifest.json")));
    ASSERT_TRUE(manifestFile.open(QIODevice::ReadOnly));
    const QJsonArray manifest = QJsonDocument::fromJson(manifestFile.readAll()).array();
    ASSERT_GT(manifest.size(), 50);

    for (const QJsonValue &entry : manifest) {
        const QJsonObject c = entry.toObject();
        const std::string file = c[QLatin1String("file")].toString().toStdString();
        SCOPED_TRACE(file);
        change([&](Settings::FormatOptions &o) { o.dxfAutoWeld = c[QLatin1String("weld")].toBool(); });
        Drawing d;
        ASSERT_TRUE(dxf::read(dir.filePath(c[QLatin1String("file")].toString()), d));

        const QJsonArray closed = c[QLatin1String("closed")].toArray();
        ASSERT_EQ(size_t(closed.size()), d.objects().size());
        const QJsonArray counts = c[QLatin1String("counts")].toArray();
        for (int i = 0; i < closed.size(); ++i) {
            const Object &o = *d.objects()[size_t(i)];
            if (!counts.isEmpty()) {
                EXPECT_EQ(o.size(), counts[i].toInt()) << "object " << i;
            }
            const bool ends = o.size() > 1 && o.points.front()->pos() == o.points.back()->pos();
            EXPECT_EQ(ends, closed[i].toBool()) << "object " << i;
        }

        const QJsonArray ext = c[QLatin1String("extents")].toArray();
        const QRectF r = d.boundingRect();
        const double size = std::max({1.0, std::abs(ext[2].toDouble() - ext[0].toDouble()),
                                      std::abs(ext[3].toDouble() - ext[1].toDouble())});
        const double tol = c[QLatin1String("tolerance")].toDouble(0) + 1e-9 * size;
        EXPECT_NEAR(r.left(), ext[0].toDouble(), tol);
        EXPECT_NEAR(r.top(), ext[1].toDouble(), tol);
        EXPECT_NEAR(r.right(), ext[2].toDouble(), tol);
        EXPECT_NEAR(r.bottom(), ext[3].toDouble(), tol);

        const QJsonArray endPoints = c[QLatin1String("ends")].toArray();
        if (!endPoints.isEmpty()) {
            const Object &o = *d.objects()[0];
            const QJsonArray a = endPoints[0].toArray(), b = endPoints[1].toArray();
            EXPECT_NEAR(o.points.front()->x, a[0].toDouble(), 1e-9 * size);
            EXPECT_NEAR(o.points.front()->y, a[1].toDouble(), 1e-9 * size);
            EXPECT_NEAR(o.points.back()->x, b[0].toDouble(), 1e-9 * size);
            EXPECT_NEAR(o.points.back()->y, b[1].toDouble(), 1e-9 * size);
        }
    }
}
