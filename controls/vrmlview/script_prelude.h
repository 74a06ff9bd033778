#pragma once
// JavaScript evaluated in every Script engine first: SFVec2f, SFVec3f, SFColor, SFRotation,
// SFImage, the MF constructors, Browser, print, and the hook that makes fields globals.
extern const char* const kScriptPrelude;
