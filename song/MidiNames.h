#pragma once

// Names and instrument mappings of Standard MIDI Files as the program uses them: General MIDI
// program and percussion names for the event trace, and the mapping of channels, programs and
// drum keys onto band instruments (THING values).

// General MIDI Level 1 name of a 0-based program; null for 128 or more.
const char* MidiProgramName(int program);

// MIDI 1.0 controller name, with the program's own names for the guitar-tab (16 to 19) and
// chord (80, 81) controllers; unassigned numbers give "Control %d (0-127)" in buffer.
const char* MidiControllerName(int controller, char* buffer, int bufferSize);

// General MIDI percussion key name; null outside 27 to 87.
const char* MidiDrumNoteName(int key);

// Band instrument of a 0-based program: 38 rhythm guitar, 39 lead, 40 solo, 36 bass, else 0.
int InstrumentFromProgram(int program);
// Program written for an instrument; -1 when the instrument has none.
int ProgramFromInstrument(int instrument);

// Drum piece (THING) a percussion key reads as; 0 for keys the kit does not have.
int DrumPieceFromKey(int key);
// Percussion key a drum piece is written as; -1 when the piece has none.
int DrumKeyFromPiece(int instrument);
