#pragma once
// Where a link in a world may take the user: an Anchor's url, or Browser.loadURL of a script.
// A world shown in a chat client must not open files or programs of the user's machine, nor
// send the client elsewhere on the net: "#name" goes to a viewpoint of the world; a VRML world
// file in the world's own folder (or below it), or on the world's own web origin, replaces the
// world; anything else is refused with a reason the user can read.
#include <QString>

class WorldLink {
public:
    enum Kind { kRefused, kViewpoint, kWorld };

    // Decides a reference made by the world whose address (file path or http(s) URL) is world.
    static WorldLink Resolve(const QString& world, const QString& reference);

    Kind kind = kRefused;
    QString target;  // viewpoint name, or the world's address (fragment dropped)
    QString reason;  // why it was refused
};
