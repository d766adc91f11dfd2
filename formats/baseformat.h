#pragma once

#include <QString>

#include <functional>

class Drawing;

// The one entry point for reading and writing drawings: picks the reader or
// writer by the file name's ending.
class BaseFormat
{
public:
    // Fills an empty drawing from path. False for an unknown ending or when
    // the reader found nothing; the drawing is then left as the reader left it.
    static bool load(const QString &path, Drawing &drawing);
    // Writes drawing to path. Except for project files the drawing is first
    // put into cutting order in place, so callers pass a copy.
    static bool save(const QString &path, Drawing &drawing);

    // File-dialog filters, translated with the translators installed when
    // they are asked for.
    static QString openFilter();
    static QString saveFilter();

    // Progress of the running load, 0 … 1; installed by whoever shows it.
    static std::function<void(double)> loadProgress;
    static void reportProgress(double fraction)
    {
        if (loadProgress)
            loadProgress(fraction);
    }
};
