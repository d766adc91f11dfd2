#pragma once

#include <QString>

class Drawing;

// What the settings ask for after a drawing has been loaded.
struct LoadDecisions
{
    bool link = false;
    bool save = false;
    bool exit = false;
    QString savePathTemplate;
};

// A project file carries its own placement: it ends with ".kfp".
bool isProjectFile(const QString &fileName);

// Anchor, move and start point from the settings groups, in that order, each
// when its action switch is on. Project files are left as they are.
void applyPlacementActions(Drawing &drawing, const QString &fileName);

// Link, save and exit: each main switch, and (its command-line-only switch
// off, or the file came from the command line). All keys are read first.
LoadDecisions readLoadDecisions(bool isFromCmd);
