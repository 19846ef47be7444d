// The check of a Syzygy table file before the prober is given it.  The
// prober trusts what it maps: a file cut short, of another kind or damaged
// in its header makes it read outside the file or abort.  Everything a
// file's layout holds follows from its name (the pieces) and its header, so
// a file that does not match them is refused before the prober sees it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velkar {

// Whether Nom is the name of a table file the prober may open: a side's
// pieces after its king, "v" between the sides, at most seven pieces, then
// .rtbw (win/draw/loss) or .rtbz (distance to a zeroing move), as "KQvKR.rtbz".
bool EstNomTable(std::string_view Nom);

struct TControleTable {
    bool Bon = false;
    std::string Raison;        // why the file is refused
    bool BlocsLus = false;     // whether its block tables were checked too
    uint64_t OctetsBlocs = 0;  // the bytes of its block tables
};

// Checks the file at Chemin, named Nom (EstNomTable): its size, its magic
// number, the pieces its header lists, the decoding tables of each of its
// compressed tables and, while they fit within Budget bytes (taken from it),
// its block tables, the index by which the prober finds the block of a
// position.
TControleTable ControleTable(const std::string& Chemin, std::string_view Nom, uint64_t& Budget);

}  // namespace velkar
