/* Resource numbers of the Windows executable, shared by quillon.rc and the
   code that loads them. Plain defines: the resource compiler reads this too. */
#ifndef QUILLON_RC_H
#define QUILLON_RC_H

/* The lowest icon number is the one Explorer shows for the file. */
#define QUILLON_ICON_MAIN 1
#define QUILLON_ICON_ABOUT 2

/* The About window's links ask for this cursor by number. */
#define QUILLON_CURSOR_HAND 101

/* The windows' pictures, as stored in their files (PNG, GIF, JPEG). */
#define QUILLON_PICTURE_BRIMLOW 201
#define QUILLON_PICTURE_DONATE 202
#define QUILLON_PICTURE_EURO48 203
#define QUILLON_PICTURE_TITLE 204
/* The same, drawn at twice the size for dense screens. */
#define QUILLON_PICTURE_BRIMLOW_2X 211
#define QUILLON_PICTURE_DONATE_2X 212
#define QUILLON_PICTURE_EURO48_2X 213
#define QUILLON_PICTURE_TITLE_2X 214

#endif
