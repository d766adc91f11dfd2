#pragma once

#include "core/drawing.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <unordered_map>
#include <vector>

// One application object and an empty configuration folder for the whole
// fuzzing run; readers need the former for settings and file access.
inline void fuzzInit()
{
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    // Readers say why they refuse an input; thousands of such lines a second
    // would only bury the fuzzer's own report.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

// A broken invariant is a finding: say which and abort, so that libFuzzer
// keeps the input.
[[noreturn]] inline void fuzzFail(const char *what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void fuzzCheck(bool ok, const char *what)
{
    if (!ok)
        fuzzFail(what);
}

inline bool fuzzFinite(double v)
{
    return std::isfinite(v);
}

// What any load, successful or not, must leave: every point owned by the
// object that lists it at its own index, every coordinate finite, every
// joint between two points that sit in the drawing.
inline void checkDrawing(const Drawing &d)
{
    std::unordered_map<const Object *, bool> known;
    auto checkObject = [](const Object *o) {
        fuzzCheck(o != nullptr, "null object");
        for (size_t i = 0; i < o->points.size(); ++i) {
            const Object::Point *p = o->points[i];
            fuzzCheck(p != nullptr, "null point");
            fuzzCheck(p->owner == o, "point's owner is not the object that lists it");
            fuzzCheck(p->index == qint32(i), "point's index is not its position");
            fuzzCheck(fuzzFinite(p->x) && fuzzFinite(p->y), "coordinate is not finite");
        }
    };
    checkObject(&d.startObject());
    known.emplace(&d.startObject(), true);
    for (const Object *o : d.objects()) {
        checkObject(o);
        fuzzCheck(known.emplace(o, true).second, "object listed twice");
    }
    for (const Object::Joint &j : d.joints()) {
        for (const Object::Point *p : {j.a, j.b}) {
            fuzzCheck(p != nullptr, "joint without a point");
            fuzzCheck(known.count(p->owner) == 1, "joint to a point outside the drawing");
            fuzzCheck(p->index >= 0 && p->index < p->owner->size() && p->owner->points[size_t(p->index)] == p,
                      "joint to a point that its object does not list");
        }
    }
    fuzzCheck(fuzzFinite(d.startPosition().x()) && fuzzFinite(d.startPosition().y()), "start is not finite");
}

// After a successful load: finite stored bounds and, except for a project
// (an empty drawing may be saved and opened again), at least one point.
inline void checkLoaded(const Drawing &d, bool mayBeEmpty = false)
{
    checkDrawing(d);
    size_t points = 0;
    for (const Object *o : d.objects())
        points += o->points.size();
    fuzzCheck(mayBeEmpty || points > 0, "a successful load without any point");
    const QRectF r = d.boundingRect();
    fuzzCheck(fuzzFinite(r.x()) && fuzzFinite(r.y()) && fuzzFinite(r.width()) && fuzzFinite(r.height()),
              "bounds are not finite");
}

// Whether every object with points hangs on the start object's tree.
inline bool allLinked(const Drawing &d)
{
    std::unordered_map<const Object *, size_t> number{{&d.startObject(), 0}};
    for (const Object *o : d.objects())
        number.emplace(o, number.size());
    std::vector<size_t> parent(number.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto find = [&parent](size_t i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };
    for (const Object::Joint &j : d.joints())
        parent[find(number.at(j.a->owner))] = find(number.at(j.b->owner));
    for (const Object *o : d.objects())
        if (!o->isEmpty() && find(number.at(o)) != find(0))
            return false;
    return true;
}
