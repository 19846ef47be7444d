// The thin layer between Velkar and the operating system: a millisecond
// clock, line output, one input buffer from which the interface takes its
// lines (for the main loop and for a running search alike, so that no line
// is lost or reordered between them), the memory of the large tables and
// the helpers' threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velkar::plateforme {

// Build label that ends the identification line ("x64" or "x32").
const char* Etiquette();

// Sets up standard input and output.
void PrepareConsole();

// Prepares standard input again at the start of a search (a console may
// have been handed over meanwhile).
void PrepareEntreeRecherche();

// Milliseconds since the program started, from a monotonic clock.
uint64_t GetTickCount();

// Handle of standard output for EcrireLigne.
uint32_t SortieStandard();

// Writes the text and a line feed with one unbuffered write.
void EcrireLigne(uint32_t Handle, std::string_view Texte);

// Number of bytes of the next complete line waiting on standard input
// (terminator included), 0 when none is complete yet.  At end of input a
// last line without terminator counts as complete.
int32_t SurveilleEntree();

// Takes the next n bytes (one line as counted by SurveilleEntree) and returns
// them without leading and trailing blanks and control characters.
std::string LitEntree(int32_t n);

// True once standard input is closed and every byte of it has been taken.
bool FinEntree();

// Waits up to Millisecondes (forever when negative) for a complete line or
// the end of input.
void AttendEntree(int32_t Millisecondes);

// Zeroed memory for a large table, page-aligned; on Linux aligned to 2 MB and
// offered to the system for huge pages, so that a probe anywhere in the
// table costs fewer address translations.  nullptr when refused.
void* AlloueTable(size_t Octets);
void LibereTable(void* Memoire, size_t Octets);

// A thread for a helper searcher, with a stack as deep as the search may
// recurse (several hundred plies; some systems give a new thread half a
// megabyte).  nullptr when the system refuses one.
struct TFil;
TFil* LanceFil(void (*Fonction)(void*), void* Argument);
// Waits for the thread to end and frees what LanceFil took.
void AttendFil(TFil* Fil);
// The calling thread gives way to the others of normal priority: helpers
// that outnumber the processors let the main thread, which hears the
// interface, run whenever it can.
void CedePriorite();
constexpr size_t PileFil = size_t{32} << 20;

// Shared by the operating-system layers, which keep the bytes read from
// standard input in a buffer of their own: the length of the first complete
// line in it (terminator included; a carriage return and line feed pair is
// one terminator; at end of input the last bytes count as a line), and the
// taking of n bytes as a line without surrounding blanks and control
// characters.
int32_t LongueurLigne(const std::string& Tampon, bool Fermee);
std::string PrendLigne(std::string& Tampon, int32_t n);
// Text without its leading and trailing blanks and control characters.
std::string_view SansBlancs(std::string_view Texte);

}  // namespace velkar::plateforme
