#include "velkar.h"

namespace velkar {

TVelkar::TVelkar() { ListeCoupsPartie.reserve(4 * 6 * DemiCoupsPartieMax); }

void TVelkar::InitialiserPartie() {
    Position().InitialiserPosition();
    Chercheur.NouvellePartie();
    ListeCoupsPartie.clear();
    PartieDepuisDebut = true;
    Tables.Vide();
}

bool TVelkar::RedimensionneHash(int64_t NbEntrees) {
    return NbEntrees > 0 && Tables.Transposition.Alloue(static_cast<uint64_t>(NbEntrees));
}

}  // namespace velkar
