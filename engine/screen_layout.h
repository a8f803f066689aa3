// The numbers that describe the game's screen and the interface built on it, in one place: the
// 800x600 picture and the 800x176 message window at its foot, the graphic slots pictures are
// delivered to and the interface graphics start-up puts there, the music of the menus, and how
// long a held key stays ignored after it acted.
#pragma once

namespace hk {

// ---- The picture ----
inline constexpr int kScreenWidth = 800;
inline constexpr int kScreenHeight = 600;
// The message window: the strip at the foot of the screen, and the floating window's size.
inline constexpr int kMsgWindowWidth = kScreenWidth;
inline constexpr int kMsgWindowHeight = 176;
inline constexpr int kMsgWindowTop = kScreenHeight - kMsgWindowHeight; // 424
// A message's lines: at most 30 characters each, at most 3 of them.
inline constexpr int kMsgLineChars = 30;
inline constexpr int kMsgMaxLines = 3;
// The floating window's text area (inclusive): a press there counts as a press on the main
// window, a press on the frame around it drags the window.
inline constexpr int kFloatTextLeft = 13;
inline constexpr int kFloatTextRight = 785;
inline constexpr int kFloatTextTop = 29;
inline constexpr int kFloatTextBottom = 161;
// The wait icon shows the next of its eight frames every 55 ms of the clock.
inline constexpr int kWaitIconFrameMs = 55;

// ---- Graphic slots: where ReadGraphic delivers a picture ----
inline constexpr int kBackgroundSlot = 0;   // BgLayer
inline constexpr int kCharacterSlot1 = 1;   // CharLayer1: the character layers' slots are their numbers
inline constexpr int kCharacterSlot2 = 2;   // CharLayer2
inline constexpr int kRuleSlot = 6;         // RuleImage, the wipe's rule as 8-bit grey
inline constexpr int kMsgRuleSlot = 7;      // MsgRuleImage, the message reveal's rule
inline constexpr int kMsgFrameSlot = 8;     // MsgFrameImage
inline constexpr int kPartsSlot = 9;        // PartsImage, the sheet of interface parts
inline constexpr int kChoiceSheetSlot = 10; // Select2Sheet, the full-screen choice's overlay
// Placement codes of a character picture; any other code centres it.
inline constexpr int kPlaceLeft = 1;
inline constexpr int kPlaceRight = 3;
inline constexpr int kPlaceCentre = 0;

// ---- The interface graphics of "GRP.IFP" (the parts sheet and the choice sheet cross slots) ----
inline constexpr int kMsgRuleGraphic = 7;
inline constexpr int kMsgFrameGraphic = 8;
inline constexpr int kChoiceSheetGraphic = 9;
inline constexpr int kPartsGraphic = 10;

// ---- The picture menus: background picture and parts sheet of each screen (graphics of "GRP.IFP") ----
inline constexpr int kTitleMenuPicture = 21;
inline constexpr int kTitleMenuParts = 22;
inline constexpr int kAlbumMenuPicture = 23;
inline constexpr int kAlbumMenuParts = 24;
inline constexpr int kMusicRoomPicture = 25;
inline constexpr int kMusicRoomParts = 26;
// The album pages: picture 50 + page (CG album) or 60 + page (scene album), one parts sheet.
inline constexpr int kCgAlbumPagePictures = 50;
inline constexpr int kSceneAlbumPagePictures = 60;
inline constexpr int kAlbumPageParts = 50;
// On an album page's parts sheet: the frame drawn round the hovered cell, and the padlock picture
// of a locked cell.
inline constexpr int kAlbumFrameX = 170;
inline constexpr int kAlbumFrameY = 10;
inline constexpr int kAlbumFrameWidth = 160;
inline constexpr int kAlbumFrameHeight = 120;
inline constexpr int kAlbumLockX = 10;
inline constexpr int kAlbumLockY = 10;
// The fade every picture menu, and a loaded game, opens with.
inline constexpr int kMenuFadeMs = 500;
// Where the slot menus open, in main-window client coordinates: the game menu's save and load
// lists, and the title screen's load list.
inline constexpr int kSlotMenuX = 166;
inline constexpr int kSlotMenuY = 204;
inline constexpr int kTitleLoadMenuX = 320;
inline constexpr int kTitleLoadMenuY = 120;

// ---- The rule wipe: the progress handed to the rule blend runs 0..kWipeProgressEnd over the
// wipe's duration. The blend is complete at 256, so the last 24/280 of a wipe show the new picture
// whole, as the game's wipes do ----
inline constexpr int kWipeProgressEnd = 280;

// ---- Music of the menus ----
inline constexpr int kTitleMusic = 1;
inline constexpr int kAlbumMusic = 9;

// ---- Input lock: ticks of the 10 ms delay timer during which the advance keys are ignored ----
inline constexpr int kLockAfterReveal = 10;    // a message completed with Return
inline constexpr int kLockAfterCursorKey = 15; // a choice row or a log page moved by a key
inline constexpr int kLockAfterAnswer = 25;    // an advance, an answer, the window shown or hidden

} // namespace hk
