#pragma once

#include "core/drawing.h"
#include "formats/dxf.h"
#include "formats/settings.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace test {

// DXF text from "code", "value" pairs, one line each, LF line ends.
inline std::string dxfText(const QStringList &lines)
{
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toStdString();
}

inline bool readDxf(const std::string &text, Drawing &d)
{
    return dxf::readData(text.data(), text.size(), d);
}

// Format options changed by a test are put back afterwards.
class DxfOptions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved = Settings::formatOptions();
        Settings::FormatOptions o = saved;
        o.dxfAutoWeld = false; // each entity stays an object of its own
        Settings::setFormatOptions(o);
    }
    void TearDown() override { Settings::setFormatOptions(saved); }

    template <typename F>
    void change(F f)
    {
        Settings::FormatOptions o = Settings::formatOptions();
        f(o);
        Settings::setFormatOptions(o);
    }

    Settings::FormatOptions saved;
};

inline double length(const Object &o)
{
    double sum = 0;
    for (int i = 1; i < o.size(); ++i)
        sum += std::hypot(o.points[i]->x - o.points[i - 1]->x, o.points[i]->y - o.points[i - 1]->y);
    return sum;
}

} // namespace test
