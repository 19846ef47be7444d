// The transposition table and the pawn hash table.
#include "hash.h"

#include <new>

namespace velkar {

TTablesPartagees::TTablesPartagees() {
    constexpr int64_t TailleHash = 128, TailleHashPions = 8;  // MB
    if (!Transposition.Alloue(static_cast<uint64_t>(TailleHash * 1048576 / 16)) ||
        !Pions.Alloue(static_cast<uint64_t>(TailleHashPions * 1048576 / 10)))
        throw std::bad_alloc();
}

void TTableTransposition::HashEnregistre(uint64_t Cle, int16_t Profondeur, int16_t Valeur, TBorne Borne,
                                         const TCoupTable& Coup) {
    uint64_t Marque;
    Hash& h = Place(Cle, Marque);
    if (EstVide(h)) {
        ++EntreesUtilisees;
    } else if (h.Profondeur >= Profondeur) {
        return;
    }
    h.Marque = Marque;
    h.Profondeur = Profondeur;
    h.Drapeau = Borne;
    h.Score = Valeur;
    h.Coup[0] = static_cast<int8_t>(Coup.Piece);
    if (Coup.Piece != -1) {
        h.Coup[1] = static_cast<int8_t>(Coup.Arrivee);
        h.Coup[2] = static_cast<int8_t>(Coup.Promotion);
    }
}

TSondage TTableTransposition::HashRecherche(uint64_t Cle, int16_t Profondeur, int16_t Alpha, int16_t Beta) const {
    TSondage r;
    uint64_t Marque;
    const Hash& h = Place(Cle, Marque);
    if (h.Marque != Marque) return r;
    if (h.Drapeau == BorneBasse && h.Profondeur >= Profondeur / 2 - 1 && h.Score < Beta) r.VetoNul = true;
    if (h.Profondeur >= Profondeur) {
        if (h.Drapeau == BorneExacte) {
            r.Coupure = true;
            r.Score = h.Score;
        } else if (h.Drapeau == BorneHaute && h.Score <= Alpha) {
            // An upper bound carries no move.
            r.Coupure = true;
            r.Score = Alpha;
            return r;
        } else if (h.Drapeau == BorneBasse && h.Score >= Beta) {
            r.Coupure = true;
            r.Score = Beta;
        }
    }
    if (h.Coup[0] != -1) r.Coup = TCoupTable{h.Coup[0], h.Coup[1], h.Coup[2]};
    return r;
}

int32_t TTableTransposition::Remplissage() const {
    const uint64_t Plein = 1000 * EntreesUtilisees / NbEntrees();
    return static_cast<int32_t>(Plein > 1000 ? 1000 : Plein);
}

int16_t TTablePions::HashRecherchePions(uint64_t ClePions) const {
    uint64_t Marque;
    const HashPion& h = Place(ClePions, Marque);
    return h.Marque == Marque ? h.Score : HashVide;
}

void TTablePions::HashEnregistrePions(uint64_t ClePions, int16_t Valeur) {
    uint64_t Marque;
    HashPion& h = Place(ClePions, Marque);
    h.Marque = Marque;
    h.Score = Valeur;
}

}  // namespace velkar
