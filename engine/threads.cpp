#include "threads.h"

#include <cstdlib>

#include "../platform/plateforme.h"
#include "searcher.h"
#include "syzygy.h"

namespace velkar {

namespace {
// Pawn structures repeat so much that a helper's pawn table may be small.
constexpr uint64_t EntreesPionsAuxiliaire = (uint64_t{2} << 20) / sizeof(HashPion);
}  // namespace

struct TEquipe::TAuxiliaire {
    TAuxiliaire(TTableTransposition& Transposition, int32_t Numero) : Numero(Numero), Chercheur(Transposition, Pions) {}
    const int32_t Numero;  // 1, 2, ...
    TTablePions Pions;
    TChercheur Chercheur;
    plateforme::TFil* Fil = nullptr;
    TEquipe* Equipe = nullptr;
    uint64_t Vue = 0;  // the number of the last search it ran (or saw before it began)
};

TEquipe::TEquipe(TTableTransposition& Transposition) : Transposition(Transposition) {}

TEquipe::~TEquipe() { Termine(); }

void TEquipe::Termine() {
    {
        std::lock_guard<std::mutex> l(Verrou);
        FinFils = true;
    }
    Reveil.notify_all();
    for (auto& a : Auxiliaires) plateforme::AttendFil(a->Fil);
    Auxiliaires.clear();
    FinFils = false;
}

int32_t TEquipe::Redimensionne(int32_t Nombre) {
    Termine();
    for (int32_t k = 1; k <= Nombre; ++k) {
        std::unique_ptr<TAuxiliaire> a;
        try {
            a = std::make_unique<TAuxiliaire>(Transposition, k);
            if (!a->Pions.Alloue(EntreesPionsAuxiliaire)) break;
        } catch (const std::bad_alloc&) {
            break;
        }
        a->Chercheur.DevientAuxiliaire(&ArretAuxiliaires, this);
        a->Chercheur.NouvellePartie();
        a->Equipe = this;
        a->Vue = NumeroRecherche;
        a->Fil = plateforme::LanceFil(
            [](void* x) {
                TAuxiliaire& Lui = *static_cast<TAuxiliaire*>(x);
                Lui.Equipe->Boucle(Lui);
            },
            a.get());
        if (a->Fil == nullptr) break;
        Auxiliaires.push_back(std::move(a));
    }
    return NbAuxiliaires();
}

void TEquipe::Boucle(TAuxiliaire& Auxiliaire) {
    for (;;) {
        {
            std::unique_lock<std::mutex> l(Verrou);
            Reveil.wait(l, [&] { return FinFils || NumeroRecherche != Auxiliaire.Vue; });
            if (FinFils) return;
            Auxiliaire.Vue = NumeroRecherche;
        }
        Auxiliaire.Chercheur.RechercheAuxiliaire(Auxiliaire.Numero);
        {
            std::lock_guard<std::mutex> l(Verrou);
            if (--EnCours == 0) Fini.notify_all();
        }
    }
}

void TEquipe::Demarre(const TPosition& Pos, const TLimites& Limites) {
    {
        // The helpers sleep: their boards and counts may be set.
        std::lock_guard<std::mutex> l(Verrou);
        for (auto& a : Auxiliaires) {
            a->Chercheur.Pos = Pos;
            a->Chercheur.Limites = Limites;
            a->Chercheur.NoeudsPublies.store(0, std::memory_order_relaxed);
            a->Chercheur.TbHitsPublies.store(0, std::memory_order_relaxed);
        }
        ArretAuxiliaires.store(false, std::memory_order_relaxed);
        NoeudsPrincipal.store(0, std::memory_order_relaxed);
        EnCours = NbAuxiliaires();
        ++NumeroRecherche;
    }
    Reveil.notify_all();
}

void TEquipe::Arrete() {
    ArretAuxiliaires.store(true, std::memory_order_relaxed);
    std::unique_lock<std::mutex> l(Verrou);
    Fini.wait(l, [this] { return EnCours == 0; });
}

uint64_t TEquipe::Noeuds() const {
    uint64_t n = 0;
    for (const auto& a : Auxiliaires) n += a->Chercheur.NoeudsPublies.load(std::memory_order_relaxed);
    return n;
}

uint64_t TEquipe::TbHits() const {
    uint64_t n = 0;
    for (const auto& a : Auxiliaires) n += a->Chercheur.TbHitsPublies.load(std::memory_order_relaxed);
    return n;
}

void TEquipe::NouvellePartie() {
    for (auto& a : Auxiliaires) {
        a->Chercheur.NouvellePartie();
        a->Pions.Vide();
    }
}

// A helper's search: the main searcher's iterations without its reports,
// clock or reply.  So that the threads do not all search the same tree at
// the same time, the odd helpers search the root moves after the first in
// the reverse order, the even ones one ply deeper than the main searcher.
// (Measured with one helper: the reverse order took the time to depth 10
// to 1/1.56 of one thread's, a ply deeper only to 1/1.19.)
void TChercheur::RechercheAuxiliaire(int32_t Numero) {
    DemiCoupRacine = Pos.NumDemiCoup;
    Ordre = Numero % 2 == 1 ? OrdreInverse : OrdreNormal;
    const int32_t Decalage = Numero % 2 == 1 ? 0 : 1;
    DemiCoupMax = Pos.NumDemiCoup - 1 + Decalage;
    Noeuds = TbHits = 0;
    Arret = false;
    NbExclus = 0;
    ProfondeurSel = 0;
    RacineAmelioree = false;
    const bool EchecRacine = Pos.RoiEchec(Pos.Camp);
    Pos.EnEchec[Pos.NumDemiCoup] = EchecRacine;
    PiecesFinales = PiecesTablesFinales();
    LigneVP Ligne;
    int16_t a = -ScoreInfini, b = ScoreInfini;
    for (int32_t Compteur = 1 + Decalage; Compteur <= ProfondeurMax && !Arret; ++Compteur) {
        ++DemiCoupMax;
        Iteration = Compteur;
        Ligne.NbCoups = 0;
        const int16_t v = AlphaBetaRacine(static_cast<int16_t>(Compteur), a, b, &Ligne, EchecRacine);
        if (Arret) break;
        if (v <= a) {
            a = -ScoreInfini;
        } else if (v >= b) {
            b = ScoreInfini;
        } else {
            if (std::abs(int32_t{v}) > SeuilMat) break;
            a = static_cast<int16_t>(v - Aspiration);
            b = static_cast<int16_t>(v + Aspiration);
        }
    }
    NoeudsPublies.store(Noeuds, std::memory_order_relaxed);
    TbHitsPublies.store(TbHits, std::memory_order_relaxed);
}

}  // namespace velkar
