// The transposition table (depth-preferred, one entry per index) and the
// pawn hash table (always replace).
#include "velkar.h"

namespace velkar {

void TVelkar::HashEnregistre(int16_t Profondeur, int16_t Valeur, int8_t Drapeau, int8_t Piece,
                             int8_t Arrivee, int8_t Promotion) {
    uint64_t Marque;
    Hash& h = TableHash.Place(Cle, Marque);
    if (TableHash.EstVide(h)) {
        ++EntreesUtilisees;
    } else if (h.Profondeur >= Profondeur) {
        // A deeper (or equally deep) entry stays, whichever position it holds.
        return;
    }
    h.Marque = Marque;
    h.Profondeur = Profondeur;
    h.Drapeau = Drapeau;
    h.Score = Valeur;
    h.Coup[0] = Piece;
    if (Piece != -1) {
        h.Coup[1] = Arrivee;
        h.Coup[2] = Promotion;
    }
}

int16_t TVelkar::HashRecherche(int16_t Profondeur, int16_t Alpha, int16_t Beta, int8_t* Drapeau) {
    int16_t Resultat = HashVide;
    CoupHash[0][0] = -1;
    uint64_t Marque;
    const Hash& h = TableHash.Place(Cle, Marque);
    if (h.Marque != Marque) return HashVide;
    // A lower bound that is not good enough says a null move would not cut here.
    if (h.Drapeau == 2 && h.Profondeur >= Profondeur / 2 - 1 && h.Score < Beta) *Drapeau = 3;
    if (h.Profondeur >= Profondeur) {
        if (h.Drapeau == 0) {
            Resultat = h.Score;
            *Drapeau = 0;
        } else if (h.Drapeau == 1 && h.Score <= Alpha) {
            *Drapeau = 1;
            return Alpha;
        } else if (h.Drapeau == 2 && h.Score >= Beta) {
            Resultat = Beta;
            *Drapeau = 2;
        }
    }
    if (h.Coup[0] != -1) {
        CoupHash[0][0] = h.Coup[0];
        CoupHash[0][1] = h.Coup[1];
        CoupHash[0][2] = h.Coup[2];
    }
    return Resultat;
}

int16_t TVelkar::HashRecherchePions() {
    uint64_t Marque;
    const HashPion& h = TableHashPions.Place(ClePions, Marque);
    return h.Marque == Marque ? h.Score : HashVide;
}

void TVelkar::HashEnregistrePions(int16_t Valeur) {
    uint64_t Marque;
    HashPion& h = TableHashPions.Place(ClePions, Marque);
    h.Marque = Marque;
    h.Score = Valeur;
}

}  // namespace velkar
