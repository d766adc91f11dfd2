#pragma once

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace bench {

// How long the GUI thread spends in each event it delivers, nested
// deliveries counted in the outer one: the figure a user feels as lag.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (recording && depth > 0 && qEnvironmentVariableIsSet("KERFLOOM_BENCH_SLOW_EVENTS")) {
            QElapsedTimer t;
            t.start();
            const bool result = QApplication::notify(receiver, event);
            if (t.nsecsElapsed() > 5000000)
                qWarning("  inside: %d to %s, %.1f ms", int(event->type()),
                         receiver->metaObject()->className(), double(t.nsecsElapsed()) / 1e6);
            return result;
        }
        if (!recording || depth > 0)
            return QApplication::notify(receiver, event);
        ++depth;
        if (durationsMs.empty())
            sinceFirst.start();
        QElapsedTimer t;
        t.start();
        const bool result = QApplication::notify(receiver, event);
        durationsMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (durationsMs.back() > 20 && qEnvironmentVariableIsSet("KERFLOOM_BENCH_SLOW_EVENTS"))
            qWarning("slow event: %d to %s (%s), %.1f ms, ending %.0f ms after the first",
                     int(event->type()), receiver->metaObject()->className(),
                     qPrintable(receiver->objectName()), durationsMs.back(),
                     double(sinceFirst.nsecsElapsed()) / 1e6);
        --depth;
        return result;
    }

    static double quantile(std::vector<double> v, double q)
    {
        if (v.empty())
            return 0;
        const size_t k = std::min(v.size() - 1, size_t(q * double(v.size())));
        std::nth_element(v.begin(), v.begin() + long(k), v.end());
        return v[k];
    }

    bool recording = false;
    std::vector<double> durationsMs;

private:
    int depth = 0;
    QElapsedTimer sinceFirst;
};

} // namespace bench
