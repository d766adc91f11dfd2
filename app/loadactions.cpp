#include "app/loadactions.h"

#include "core/drawing.h"
#include "formats/settings.h"

bool isProjectFile(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral(".kfp"), Qt::CaseSensitive);
}

void applyPlacementActions(Drawing &drawing, const QString &fileName)
{
    if (isProjectFile(fileName))
        return;
    auto s = Settings::open();
    if (Settings::ActionSetAnchor.read(*s)) {
        drawing.setAnchorSpec(Settings::readPosition(*s, Settings::AnchorGroup));
        drawing.transform(Drawing::MoveToOrigin);
    }
    if (Settings::ActionMoveDrawing.read(*s)) {
        const PositionSpec move = Settings::readPosition(*s, Settings::MoveDrawingGroup);
        drawing.transform(Drawing::Move, QPointF(move.x, move.y), move.useAnchor);
    }
    if (Settings::ActionSetStartPoint.read(*s)) {
        drawing.setStartSpec(Settings::readPosition(*s, Settings::StartPointGroup));
        drawing.setStartPosition(drawing.resolvePosition(drawing.startSpec()));
    }
}

LoadDecisions readLoadDecisions(bool isFromCmd)
{
    auto s = Settings::open();
    const bool autoJoin = Settings::ActionAutoJoin.read(*s);
    const bool autoJoinCmdOnly = Settings::ActionAutoJoinCmdOnly.read(*s);
    const bool saveAs = Settings::ActionSaveAs.read(*s);
    const bool saveAsCmdOnly = Settings::ActionSaveAsCmdOnly.read(*s);
    const bool exitApp = Settings::ActionExitApplication.read(*s);
    const bool exitCmdOnly = Settings::ActionExitApplicationCmdOnly.read(*s);
    LoadDecisions d;
    d.link = autoJoin && (!autoJoinCmdOnly || isFromCmd);
    d.save = saveAs && (!saveAsCmdOnly || isFromCmd);
    d.exit = exitApp && (!exitCmdOnly || isFromCmd);
    d.savePathTemplate = Settings::ActionSaveAsPath.read(*s);
    return d;
}
