#pragma once
// EXTERNPROTO declarations read through the scene loader instead of the scene library's own
// reading, which follows the URL into any file with no limit: a file declaring an EXTERNPROTO
// in itself (or in a file that declares one back) would recurse until the stack ran out. Here
// the file goes through what an Inline goes through: resolved against the file that names it,
// depth, cycles, time, size, node count, web rules; each file is read once per world.
//
// A declaration whose PROTO cannot be had is cut out by the loader with a warning, and nodes
// of that type are skipped like unknown nodes: the rest of the world is unaffected.
class SoInput;
class SoProto;
class SbString;

class GuardedExternProto {
public:
    // Makes the library fetch every EXTERNPROTO through Fetch from now on.
    static void Install();

private:
    static SoProto* Fetch(SoInput* in, const SbString* urls, int count, void* closure);
};
