#include "syzygy_controle.h"

// Only a build that reads tables checks them (POSIX: the Windows build has
// none).
#if defined(VELKAR_SYZYGY)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

namespace velkar {

namespace {

// The largest tables the prober knows.
constexpr int32_t PiecesMax = 7;
// A file begins with its magic number; it ends with a 16-byte checksum after
// its last compressed block, padded to a multiple of 64 bytes.
constexpr uint32_t MagiqueWdl = 0x5d23e871, MagiqueDtz = 0xa50c66d7;
constexpr uint64_t Somme = 16;
// The format's piece codes: the kind (pawn 1, knight 2, bishop 3, rook 4,
// queen 5, king 6), plus 8 for the side named second.
constexpr int32_t CodePion = 1, CodeRoi = 6, CodeSecond = 8;
// A compressed table decodes with at most this many symbols (the prober
// aborts on more).
constexpr uint32_t SymbolesMax = 4096;
// No real table comes near this many bytes in one part: a larger one is a
// damaged header (and keeps the sums below from overflowing).
constexpr uint64_t PartieMax = uint64_t{1} << 56;

int32_t CodeLettre(char c) {
    switch (c) {
        case 'P': return 1;
        case 'N': return 2;
        case 'B': return 3;
        case 'R': return 4;
        case 'Q': return 5;
        case 'K': return 6;
        default: return 0;
    }
}

// What a file's name says: its kind and its pieces.
struct TMateriel {
    bool Dtz = false;
    std::array<int32_t, 16> Nombre{};  // by piece code
    int32_t NbPieces = 0;
    bool AvecPions = false;
    // The pawns of the side whose pawns lead the encoding (the only side
    // with pawns, else the side with fewer), and the other side's.
    int32_t PionsMeneurs = 0, PionsAutres = 0;
    // Only the two kings stand alone of their kind: they are placed as a
    // pair (462 ways) instead of three single pieces together.
    bool DeuxRoisSeuls = false;
    // Both sides have the same pieces: one side to move is the other's
    // mirror.
    bool Symetrique = false;
};

bool LitNom(std::string_view Nom, TMateriel& m) {
    constexpr std::string_view Wdl = ".rtbw", Dtz = ".rtbz";
    if (Nom.size() > Wdl.size() && Nom.substr(Nom.size() - Wdl.size()) == Wdl) {
        m.Dtz = false;
    } else if (Nom.size() > Dtz.size() && Nom.substr(Nom.size() - Dtz.size()) == Dtz) {
        m.Dtz = true;
    } else {
        return false;
    }
    Nom.remove_suffix(Wdl.size());
    const size_t v = Nom.find('v');
    if (v == std::string_view::npos) return false;
    const std::string_view Cotes[2] = {Nom.substr(0, v), Nom.substr(v + 1)};
    for (int32_t c = 0; c < 2; ++c) {
        // A king, then the other pieces.
        const std::string_view Cote = Cotes[c];
        for (size_t i = 0; i < Cote.size(); ++i) {
            const int32_t Code = CodeLettre(Cote[i]);
            if (Code == 0 || (Code == CodeRoi) != (i == 0)) return false;
            ++m.Nombre[Code + c * CodeSecond];
            ++m.NbPieces;
        }
        if (Cote.empty()) return false;
    }
    // Two bare kings make no table.
    if (m.NbPieces < 3 || m.NbPieces > PiecesMax) return false;
    const int32_t Premiers = m.Nombre[CodePion], Seconds = m.Nombre[CodePion + CodeSecond];
    m.AvecPions = Premiers + Seconds > 0;
    m.PionsMeneurs = Premiers;
    m.PionsAutres = Seconds;
    if (Seconds > 0 && (Premiers == 0 || Premiers > Seconds)) std::swap(m.PionsMeneurs, m.PionsAutres);
    m.DeuxRoisSeuls = std::count(m.Nombre.begin(), m.Nombre.end(), 1) == 2;
    m.Symetrique = std::equal(m.Nombre.begin(), m.Nombre.begin() + CodeSecond, m.Nombre.begin() + CodeSecond);
    return true;
}

uint64_t Binome(int64_t n, int64_t k) {
    if (k < 0 || k > n) return 0;
    uint64_t r = 1;
    for (int64_t i = 1; i <= k; ++i) r = r * static_cast<uint64_t>(n - k + i) / static_cast<uint64_t>(i);
    return r;
}

// The placements of Meneurs leading pawns when the first of them stands on
// file Colonne (a..d; the board is mirrored to bring it there).  The squares
// of ranks 2 to 7 are numbered 47 down to 0 in the order a2 h2 a3 h3 .. a7
// h7 b2 g2 .. d7 e7; the other leading pawns stand on squares of smaller
// numbers than the first's.
uint64_t PlacementsPionsMeneurs(int32_t Meneurs, int32_t Colonne) {
    uint64_t n = 0;
    for (int32_t Rang = 0; Rang < 6; ++Rang) n += Binome(47 - 2 * (6 * Colonne + Rang), Meneurs - 1);
    return n;
}

// The bytes of a mapped file, read little-endian, every read checked.
struct TOctets {
    const uint8_t* p = nullptr;
    uint64_t Taille = 0;
    bool Dans(uint64_t Pos, uint64_t n) const { return Pos <= Taille && n <= Taille - Pos; }
    uint32_t Octet(uint64_t i) const { return p[i]; }
    uint32_t Mot16(uint64_t i) const { return p[i] | uint32_t{p[i + 1]} << 8; }
    uint32_t Mot32(uint64_t i) const { return Mot16(i) | Mot16(i + 2) << 16; }
};

// One compressed table (a side to move, and for pawns a file of the leading
// pawn): a Huffman code over symbols that stand for runs of values, blocks
// of compressed data, and two block tables, an index every 2^BitsIndex
// positions and each block's count of values.
struct TCompressee {
    uint64_t Positions = 0;
    bool Constante = false;  // a single value for every position, no data
    uint32_t TailleBloc = 0, BitsIndex = 0;
    uint64_t BlocsReels = 0, Blocs = 0;
    uint64_t Index = 0, Tailles = 0;  // where its block tables start
    uint32_t ValeurMax = 0;           // the largest value a symbol stands for
    uint64_t NbIndex() const { return Constante ? 0 : (Positions + (uint64_t{1} << BitsIndex) - 1) >> BitsIndex; }
    uint64_t OctetsIndex() const { return 6 * NbIndex(); }
    uint64_t OctetsTailles() const { return Constante ? 0 : 2 * Blocs; }
    uint64_t OctetsDonnees() const { return Constante ? 0 : BlocsReels << TailleBloc; }
};

constexpr const char* Coupe = "cut short";
constexpr const char* EnteteAbimee = "damaged header";

// The symbols of a code: a symbol is a value (a leaf) or a pair of symbols
// standing for both runs one after the other.  The prober follows the pairs
// down, so every pair must name symbols of the table and none may contain
// itself; it keeps a symbol's run length less one in a byte.
struct TSymboles {
    const TOctets& f;
    uint64_t Motifs;
    uint32_t Nombre;
    std::vector<uint8_t> Etat;  // 0 unseen, 1 being unfolded, 2 done
    std::vector<uint32_t> Longueur;
    uint32_t ValeurMax = 0;
    TSymboles(const TOctets& Fichier, uint64_t Debut, uint32_t n)
        : f(Fichier), Motifs(Debut), Nombre(n), Etat(n, 0), Longueur(n, 0) {}
    bool Deplie(uint32_t s) {
        if (Etat[s] != 0) return Etat[s] == 2;
        Etat[s] = 1;
        const uint64_t w = Motifs + 3 * uint64_t{s};
        const uint32_t Droite = f.Octet(w + 2) << 4 | f.Octet(w + 1) >> 4;
        const uint32_t Gauche = (f.Octet(w + 1) & 0x0f) << 8 | f.Octet(w);
        if (Droite == 0xfff) {
            ValeurMax = std::max(ValeurMax, Gauche);
        } else {
            if (Gauche >= Nombre || Droite >= Nombre || !Deplie(Gauche) || !Deplie(Droite)) return false;
            Longueur[s] = Longueur[Gauche] + Longueur[Droite] + 1;
            if (Longueur[s] > 0xff) return false;
        }
        Etat[s] = 2;
        return true;
    }
};

// Reads the header of a compressed table at Pos (moved past it); nullptr
// when it holds, else why not.
const char* LitCompressee(const TOctets& f, uint64_t& Pos, bool Dtz, TCompressee& t) {
    if (!f.Dans(Pos, 2)) return Coupe;
    if (f.Octet(Pos) & 0x80) {
        // One value everywhere: a win/draw/loss result 0..4 (a loss to a win).
        t.Constante = true;
        t.ValeurMax = Dtz ? 0 : f.Octet(Pos + 1);
        Pos += 2;
        return t.ValeurMax <= 4 ? nullptr : EnteteAbimee;
    }
    if (!f.Dans(Pos, 12)) return Coupe;
    t.TailleBloc = f.Octet(Pos + 1);
    t.BitsIndex = f.Octet(Pos + 2);
    t.BlocsReels = f.Mot32(Pos + 4);
    t.Blocs = t.BlocsReels + f.Octet(Pos + 3);
    const int32_t LongMax = static_cast<int32_t>(f.Octet(Pos + 8)), LongMin = static_cast<int32_t>(f.Octet(Pos + 9));
    if (t.TailleBloc > 31 || t.BitsIndex < 1 || t.BitsIndex > 32 || t.BlocsReels == 0 || t.Blocs > 0xffffffff ||
        LongMin < 1 || LongMax < LongMin || LongMax > 64)
        return EnteteAbimee;
    const int32_t h = LongMax - LongMin + 1;
    if (!f.Dans(Pos, 12 + 2 * uint64_t(h))) return Coupe;
    const uint32_t NbSymboles = f.Mot16(Pos + 10 + 2 * uint64_t(h));
    const uint64_t Motifs = Pos + 12 + 2 * uint64_t(h);
    if (NbSymboles == 0 || NbSymboles >= SymbolesMax) return EnteteAbimee;
    if (!f.Dans(Motifs, 3 * uint64_t{NbSymboles})) return Coupe;

    // The code is canonical: the prober rebuilds, for each length from the
    // shortest, the lowest 64-bit code of that length (Base) and finds a
    // code's length as the first whose base it reaches; the symbol is the
    // length's first (Premier) plus the code's rank among those of its
    // length.  Every code a block may hold must give a symbol of the table.
    uint64_t Base[64];
    uint32_t Premier[64];
    for (int32_t i = 0; i < h; ++i) Premier[i] = f.Mot16(Pos + 10 + 2 * uint64_t(i));
    Base[h - 1] = 0;
    for (int32_t i = h - 2; i >= 0; --i) Base[i] = (Base[i + 1] + Premier[i] - Premier[i + 1]) / 2;
    for (int32_t i = 0; i < h; ++i) Base[i] <<= 64 - (LongMin + i);
    bool Borne = false;  // codes from Plafond up are read at a shorter length
    uint64_t Plafond = 0;
    for (int32_t i = 0; i < h; ++i) {
        if (Borne && Plafond <= Base[i]) continue;
        const uint64_t Haut = Borne ? Plafond - 1 : ~uint64_t{0};
        const uint64_t Rang = (Haut - Base[i]) >> (64 - (LongMin + i));
        if (Rang >= NbSymboles || Premier[i] + Rang >= NbSymboles) return EnteteAbimee;
        Plafond = Borne ? std::min(Plafond, Base[i]) : Base[i];
        Borne = true;
    }

    TSymboles s(f, Motifs, NbSymboles);
    for (uint32_t i = 0; i < NbSymboles; ++i)
        if (!s.Deplie(i)) return EnteteAbimee;
    // A win/draw/loss value is 0..4; a distance is checked against its map.
    t.ValeurMax = s.ValeurMax;
    if (!Dtz && t.ValeurMax > 4) return EnteteAbimee;
    Pos = Motifs + 3 * uint64_t{NbSymboles} + (NbSymboles & 1);
    return nullptr;
}

// The index entry of every 2^BitsIndex positions names the block and the
// rank within it of the position in the middle of its span (past the last
// position, in blocks kept for that after the real ones); the prober walks
// from there with the blocks' counts, so they must agree, and the real
// blocks must hold every position.
bool BlocsCoherents(const TOctets& f, const TCompressee& t) {
    uint64_t Valeurs = 0;
    for (uint64_t b = 0; b < t.BlocsReels; ++b) Valeurs += f.Mot16(t.Tailles + 2 * b) + 1;
    if (Valeurs < t.Positions) return false;
    uint64_t Bloc = 0, Avant = 0;  // values in the blocks before Bloc
    const uint64_t Milieu = uint64_t{1} << (t.BitsIndex - 1);
    for (uint64_t k = 0; k < t.NbIndex(); ++k) {
        const uint64_t b = f.Mot32(t.Index + 6 * k), Rang = f.Mot16(t.Index + 6 * k + 4);
        if (b < Bloc || b >= t.Blocs) return false;
        for (; Bloc < b; ++Bloc) Avant += f.Mot16(t.Tailles + 2 * Bloc) + 1;
        if (Avant + Rang != (k << t.BitsIndex) + Milieu) return false;
    }
    return true;
}

uint64_t Aligne64(uint64_t n) { return (n + 63) & ~uint64_t{63}; }

// The check proper, on the mapped bytes of a file named as m says.
void Controle(const TOctets& f, const TMateriel& m, uint64_t& Budget, TControleTable& c) {
    auto Refuse = [&c](std::string Raison) { c.Raison = std::move(Raison); };
    const std::string Taille = std::to_string(f.Taille) + " bytes";
    if (!f.Dans(0, 5)) return Refuse(std::string(Coupe) + " (" + Taille + ")");
    if (f.Mot32(0) != (m.Dtz ? MagiqueDtz : MagiqueWdl))
        return Refuse(m.Dtz ? "not a DTZ table (wrong magic number)" : "not a WDL table (wrong magic number)");
    const uint32_t Drapeaux = f.Octet(4);
    if (((Drapeaux & 2) != 0) != m.AvecPions) return Refuse("not the table of its name (pawns)");
    // A WDL file holds both sides to move, but one of a table whose sides
    // are alike (the prober mirrors the other); a DTZ file holds one.
    if (!m.Dtz && ((Drapeaux & 1) != 0) == m.Symetrique) return Refuse("not the table of its name (sides)");
    const int32_t Cotes = !m.Dtz && (Drapeaux & 1) ? 2 : 1;
    // A table with pawns is split by the file of the leading pawn.
    const int32_t NbTables = m.AvecPions ? 4 : 1;
    const bool PionsSeconds = m.AvecPions && m.PionsAutres > 0;

    // The order of the pieces of each table, and from it how many positions
    // the table indexes: groups of like pieces placed on the squares left.
    std::array<std::array<TCompressee, 2>, 4> Tables{};
    uint64_t Pos = 5;
    for (int32_t t = 0; t < NbTables; ++t) {
        if (!f.Dans(Pos, uint64_t(m.NbPieces) + 1 + PionsSeconds))
            return Refuse(std::string(Coupe) + " (" + Taille + ")");
        for (int32_t Cote = 0; Cote < Cotes; ++Cote) {
            const int32_t Decalage = 4 * Cote;
            int32_t Pieces[PiecesMax], Groupe[PiecesMax] = {};
            std::array<int32_t, 16> Vus{};
            for (int32_t i = 0; i < m.NbPieces; ++i) {
                Pieces[i] = static_cast<int32_t>(f.Octet(Pos + 1 + PionsSeconds + i) >> Decalage) & 0x0f;
                // Like pieces stand together: the prober takes them at once.
                if (Vus[Pieces[i]]++ > 0 && Pieces[i - 1] != Pieces[i]) return Refuse(EnteteAbimee);
            }
            if (Vus != m.Nombre) return Refuse("not the table of its name (pieces)");
            int32_t k = m.AvecPions ? m.PionsMeneurs : m.DeuxRoisSeuls ? 2 : 3;
            if (m.AvecPions) {
                // The leading pawns first, then the other side's.
                if ((Pieces[0] & 7) != CodePion || Vus[Pieces[0]] != m.PionsMeneurs) return Refuse(EnteteAbimee);
                if (PionsSeconds && ((Pieces[k] & 7) != CodePion || Pieces[k] == Pieces[0]))
                    return Refuse(EnteteAbimee);
            }
            Groupe[0] = k;
            if (PionsSeconds) {
                Groupe[k] = m.PionsAutres;
                k += m.PionsAutres;
            }
            for (int32_t i = k; i < m.NbPieces; i += Groupe[i])
                for (int32_t j = i; j < m.NbPieces && Pieces[j] == Pieces[i]; ++j) ++Groupe[i];
            // The groups are placed in the order the header gives: Ordre
            // places the first group, Ordre2 the other side's pawns.
            const int32_t Ordre = static_cast<int32_t>(f.Octet(Pos) >> Decalage) & 0x0f;
            const int32_t Ordre2 = PionsSeconds ? static_cast<int32_t>(f.Octet(Pos + 1) >> Decalage) & 0x0f : 0x0f;
            int32_t Libres = 64 - k, Places = 0;
            uint64_t n = 1;
            for (int32_t i = 0; k < m.NbPieces || i == Ordre || i == Ordre2; ++i) {
                if (i == Ordre) {
                    n *= m.AvecPions ? PlacementsPionsMeneurs(Groupe[0], t) : m.DeuxRoisSeuls ? 462 : 31332;
                    ++Places;
                } else if (i == Ordre2) {
                    n *= Binome(48 - Groupe[0], Groupe[Groupe[0]]);
                    ++Places;
                } else {
                    n *= Binome(Libres, Groupe[k]);
                    Libres -= Groupe[k];
                    k += Groupe[k];
                }
            }
            if (Places != (PionsSeconds ? 2 : 1)) return Refuse(EnteteAbimee);
            Tables[t][Cote].Positions = n;
        }
        Pos += uint64_t(m.NbPieces) + 1 + PionsSeconds;
    }
    Pos += Pos & 1;

    // The compressed tables, side by side within each table.
    uint32_t Drapeau[4] = {};
    for (int32_t t = 0; t < NbTables; ++t)
        for (int32_t Cote = 0; Cote < Cotes; ++Cote) {
            if (!f.Dans(Pos, 1)) return Refuse(std::string(Coupe) + " (" + Taille + ")");
            if (Cote == 0) Drapeau[t] = f.Octet(Pos);
            if (const char* r = LitCompressee(f, Pos, m.Dtz, Tables[t][Cote]))
                return Refuse(r == Coupe ? std::string(Coupe) + " (" + Taille + ")" : r);
        }

    // A DTZ table may map its values to distances, four maps by result; the
    // prober reads a map at the rank a value gives.
    if (m.Dtz) {
        const uint64_t Cartes = Pos;
        for (int32_t t = 0; t < NbTables; ++t) {
            if (!(Drapeau[t] & 2)) continue;
            const uint64_t Unite = Drapeau[t] & 16 ? 2 : 1;
            if (Unite == 2) Pos += Pos & 1;
            for (int32_t r = 0; r < 4; ++r) {
                if (!f.Dans(Pos, Unite)) return Refuse(std::string(Coupe) + " (" + Taille + ")");
                const uint64_t Debut = (Pos + Unite - Cartes) / Unite;
                const uint64_t Longueur = Unite == 2 ? f.Mot16(Pos) : f.Octet(Pos);
                if (Debut > 0xffff || Cartes + Unite * (Debut + Tables[t][0].ValeurMax + 1) > f.Taille)
                    return Refuse(EnteteAbimee);
                Pos += Unite * (1 + Longueur);
            }
        }
        Pos += Pos & 1;
    }

    // Then every index table, every size table and the blocks, each table's
    // blocks from a multiple of 64 bytes; then the checksum.
    c.OctetsBlocs = 0;
    for (int32_t t = 0; t < NbTables; ++t)
        for (int32_t Cote = 0; Cote < Cotes; ++Cote) {
            const TCompressee& e = Tables[t][Cote];
            if (e.OctetsIndex() > PartieMax || e.OctetsDonnees() > PartieMax) return Refuse(EnteteAbimee);
            c.OctetsBlocs += e.OctetsIndex() + e.OctetsTailles();
        }
    for (int32_t t = 0; t < NbTables; ++t)
        for (int32_t Cote = 0; Cote < Cotes; ++Cote) {
            Tables[t][Cote].Index = Pos;
            Pos += Tables[t][Cote].OctetsIndex();
        }
    for (int32_t t = 0; t < NbTables; ++t)
        for (int32_t Cote = 0; Cote < Cotes; ++Cote) {
            Tables[t][Cote].Tailles = Pos;
            Pos += Tables[t][Cote].OctetsTailles();
        }
    for (int32_t t = 0; t < NbTables; ++t)
        for (int32_t Cote = 0; Cote < Cotes; ++Cote) Pos = Aligne64(Pos) + Tables[t][Cote].OctetsDonnees();
    const uint64_t Attendue = Aligne64(Pos) + Somme;
    if (Attendue != f.Taille)
        return Refuse(Taille + " where its header asks for " + std::to_string(Attendue) +
                      (Attendue > f.Taille ? " (cut short)" : ""));

    if (c.OctetsBlocs <= Budget) {
        Budget -= c.OctetsBlocs;
        c.BlocsLus = true;
        for (int32_t t = 0; t < NbTables; ++t)
            for (int32_t Cote = 0; Cote < Cotes; ++Cote)
                if (!Tables[t][Cote].Constante && !BlocsCoherents(f, Tables[t][Cote]))
                    return Refuse("damaged block tables");
    }
    c.Bon = true;
}

}  // namespace

bool EstNomTable(std::string_view Nom) {
    TMateriel m;
    return LitNom(Nom, m);
}

TControleTable ControleTable(const std::string& Chemin, std::string_view Nom, uint64_t& Budget) {
    TControleTable c;
    TMateriel m;
    if (!LitNom(Nom, m)) {
        c.Raison = "not a table name";
        return c;
    }
    // Looked at before it is opened: opening a pipe would wait for a writer.
    struct stat Etat;
    if (stat(Chemin.c_str(), &Etat) != 0) {
        c.Raison = std::string("cannot be read (") + std::strerror(errno) + ")";
        return c;
    }
    if (!S_ISREG(Etat.st_mode)) {
        c.Raison = "not a regular file";
        return c;
    }
    const int Fd = open(Chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0 || fstat(Fd, &Etat) != 0) {
        c.Raison = std::string("cannot be read (") + std::strerror(errno) + ")";
        if (Fd >= 0) close(Fd);
        return c;
    }
    TOctets f;
    f.Taille = static_cast<uint64_t>(Etat.st_size);
    void* Carte = f.Taille > 0 ? mmap(nullptr, f.Taille, PROT_READ, MAP_PRIVATE, Fd, 0) : nullptr;
    close(Fd);
    if (Carte == MAP_FAILED) {
        c.Raison = std::string("cannot be read (") + std::strerror(errno) + ")";
        return c;
    }
    f.p = static_cast<const uint8_t*>(Carte);
    Controle(f, m, Budget, c);
    if (Carte != nullptr) munmap(Carte, f.Taille);
    return c;
}

}  // namespace velkar

#endif
