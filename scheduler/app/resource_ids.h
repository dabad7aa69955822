/* Resource identifiers that plenar.rc and the code share (plain C: the resource compiler reads
   this file too). */
#ifndef PLENAR_RESOURCE_IDS_H
#define PLENAR_RESOURCE_IDS_H

/* The manifest naming KORVEL's classes, made into an activation context when KORVEL.dll lies
   beside PLENAR.exe. Not 1, the process manifest the loader applies to the whole program, nor
   2 or 3, which the loader reads in libraries. */
#define PLENAR_KORVEL_MANIFEST 100

/* The main window's menu bar. */
#define PLENAR_MAIN_MENU 1

#endif
