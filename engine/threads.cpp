#include "threads.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <thread>

#include "../platform/plateforme.h"
#include "duties.h"
#include "searcher.h"

namespace velkar {

namespace {
// Pawn structures repeat so much that a helper's pawn table may be small.
constexpr uint64_t EntreesPionsAuxiliaire = (uint64_t{2} << 20) / sizeof(HashPion);
}  // namespace

// A helper's only duty: to stop when the team says so, or when the team
// has counted the nodes go asked for.  It keeps no clock, hears no input and
// reports nothing.
class TEquipe::TDevoirsAuxiliaire final : public TDevoirs {
public:
    explicit TDevoirsAuxiliaire(TEquipe& Equipe) : Equipe(Equipe) {}
    bool Verifie(const TChercheur& c) override {
        if (Equipe.ArretAuxiliaires.load(std::memory_order_relaxed)) return false;
        const uint64_t Limite = Equipe.LimitesAuxiliaires->Noeuds;
        if (Limite > 0 && Equipe.NoeudsTous() >= Limite) return false;
        // Another thread has finished this iteration: on to the next one.
        if (Equipe.Commun.ProfondeurFaite() >= c.IterationEnCours()) {
            Saut = true;
            return false;
        }
        return true;
    }
    void IterationFaite(const TChercheur& c) override {
        Equipe.Commun.NoteProfondeur(c.IterationEnCours());
        const int32_t Mat = Equipe.LimitesAuxiliaires->Mat;
        if (Mat > 0 && c.ScoreChoisi() >= MatEnCoups(Mat)) Equipe.Commun.SignaleMat();
    }
    int32_t Reprise(const TChercheur&) override {
        if (!Saut || Equipe.ArretAuxiliaires.load(std::memory_order_relaxed)) return 0;
        Saut = false;
        return Equipe.Commun.ProfondeurFaite();
    }

private:
    TEquipe& Equipe;
    bool Saut = false;
};

// A helper: its board, pawn table and searcher, and the thread it runs on.
struct TEquipe::TAuxiliaire {
    TAuxiliaire(TEquipe& Equipe, int32_t Numero)
        : Numero(Numero), Chercheur(Pos, Equipe.Transposition, Pions, true), Devoirs(Equipe), Equipe(&Equipe) {}
    // A helper comes zeroed from calloc, which takes a block this large
    // from fresh pages of the system: the parts of its move lists and
    // histories that its searches never reach stay untouched, so 64 helpers
    // hold a few megabytes each instead of ten, and quit does not wait for
    // the system to take back what was never used.
    static void* operator new(std::size_t Octets) {
        if (void* p = std::calloc(1, Octets)) return p;
        throw std::bad_alloc();
    }
    static void operator delete(void* p) noexcept { std::free(p); }
    const int32_t Numero;  // 1, 2, ...
    TPosition Pos;
    TTablePions Pions;
    TChercheur Chercheur;
    TDevoirsAuxiliaire Devoirs;
    TEquipe* Equipe;
    plateforme::TFil* Fil = nullptr;
    uint64_t Vue = 0;   // the number of the last search it ran (or saw before it began)
    bool Cede = false;  // it gives way to the main thread
};

TEquipe::TEquipe(TPosition& Partie, TTablesPartagees& Tables)
    : Transposition(Tables.Transposition), Chef(Partie, Tables.Transposition, Tables.Pions) {}

TEquipe::~TEquipe() { Termine(); }

void TEquipe::Termine() {
    {
        std::lock_guard<std::mutex> l(Verrou);
        FinFils = true;
    }
    Reveil.notify_all();
    for (auto& a : Auxiliaires) plateforme::AttendFil(a->Fil);
    Commun.ChangeAuxiliaires({});
    Auxiliaires.clear();
    FinFils = false;
}

int32_t TEquipe::Redimensionne(int32_t Nombre) {
    Termine();
    // More threads than processors: the helpers give way to the main thread,
    // so that stop, isready and quit are heard as quickly as with one.
    const bool Cede = static_cast<uint32_t>(Nombre) + 1 > std::max(1u, std::thread::hardware_concurrency());
    for (int32_t k = 1; k <= Nombre; ++k) {
        std::unique_ptr<TAuxiliaire> a;
        try {
            a = std::make_unique<TAuxiliaire>(*this, k);
            if (!a->Pions.Alloue(EntreesPionsAuxiliaire)) break;
        } catch (const std::bad_alloc&) {
            break;
        }
        a->Chercheur.NouvellePartie();
        a->Vue = NumeroRecherche;
        a->Cede = Cede;
        a->Fil = plateforme::LanceFil(
            [](void* x) {
                TAuxiliaire& Lui = *static_cast<TAuxiliaire*>(x);
                Lui.Equipe->Boucle(Lui);
            },
            a.get());
        if (a->Fil == nullptr) break;
        Auxiliaires.push_back(std::move(a));
    }
    std::vector<const TCompteursPublies*> Compteurs;
    for (const auto& a : Auxiliaires) Compteurs.push_back(&a->Chercheur.Compteurs());
    Commun.ChangeAuxiliaires(std::move(Compteurs));
    return NbAuxiliaires();
}

// A helper's search: the iterations every searcher runs.
// So that the threads do not all search the same tree at the same time, the
// odd helpers search the root moves after the first in the reverse order,
// the even ones one ply deeper than the main searcher.  (Measured with one
// helper: the reverse order took the time to depth 10 to 1/1.56 of one
// thread's, a ply deeper only to 1/1.19.)
void TEquipe::Boucle(TAuxiliaire& Auxiliaire) {
    if (Auxiliaire.Cede) plateforme::CedePriorite();
    for (;;) {
        {
            std::unique_lock<std::mutex> l(Verrou);
            Reveil.wait(l, [&] { return FinFils || NumeroRecherche != Auxiliaire.Vue; });
            if (FinFils) return;
            Auxiliaire.Vue = NumeroRecherche;
        }
        TChercheur& c = Auxiliaire.Chercheur;
        const bool Impair = Auxiliaire.Numero % 2 == 1;
        c.Prepare(*LimitesAuxiliaires, 1, IntervalleAuxiliaire, Auxiliaire.Devoirs, false, Impair ? 0 : 1, Impair);
        c.RepriseCoupsRecherche(Chef);
        c.Itere(false);
        {
            std::lock_guard<std::mutex> l(Verrou);
            if (--EnCours == 0) Fini.notify_all();
        }
    }
}

void TEquipe::Demarre(const TLimites& Limites) {
    {
        // The helpers sleep: their boards and limits may be set.
        std::lock_guard<std::mutex> l(Verrou);
        for (auto& a : Auxiliaires) {
            a->Pos = Chef.Plateau();
            a->Chercheur.ChoisitTablesFinales(Chef.TablesFinales());
            a->Chercheur.OublieCompteurs();
        }
        LimitesAuxiliaires = &Limites;
        ArretAuxiliaires.store(false, std::memory_order_relaxed);
        Commun.Demarre();
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

uint64_t TEquipe::NoeudsTous() const { return Chef.NoeudsPublies() + NoeudsAuxiliaires(); }

const TChercheur& TEquipe::Elu() const {
    // The searchers that chose a move, the main one first.
    const TChercheur* Candidats[NbFilsMax];
    int32_t n = 0;
    if (Chef.AChoisi()) Candidats[n++] = &Chef;
    for (const auto& a : Auxiliaires)
        if (a->Chercheur.AChoisi() && n < NbFilsMax) Candidats[n++] = &a->Chercheur;
    // Alone, the one that chose is elected: a helper that proved a mate
    // stops the main searcher, maybe before it finished a root move.
    if (n < 2) return n == 1 ? *Candidats[0] : Chef;
    int32_t Minimum = Candidats[0]->ScoreChoisi();
    for (int32_t k = 1; k < n; ++k) Minimum = std::min(Minimum, Candidats[k]->ScoreChoisi());
    // The votes of each move: every searcher that chose it adds its depth
    // times its score above the worst one (and a little, so that the worst
    // counts too).
    auto Votes = [&](const TCoupUci& m) {
        int64_t v = 0;
        for (int32_t k = 0; k < n; ++k)
            if (Candidats[k]->CoupChoisi() == m)
                v += int64_t{Candidats[k]->ScoreChoisi() - Minimum + 14} * Candidats[k]->ProfondeurChoisie();
        return v;
    };
    const TChercheur* Meilleur = Candidats[0];
    for (int32_t k = 1; k < n; ++k) {
        const TChercheur* c = Candidats[k];
        const int32_t s = c->ScoreChoisi(), sm = Meilleur->ScoreChoisi();
        if (EstMat(sm)) {
            // A mate is in hand: the shortest one, or being mated the latest.
            if (s > sm) Meilleur = c;
        } else if (s > SeuilMat || (s >= -SeuilMat && Votes(c->CoupChoisi()) > Votes(Meilleur->CoupChoisi()))) {
            Meilleur = c;
        }
    }
    return *Meilleur;
}

void TEquipe::NouvellePartie() {
    Chef.NouvellePartie();
    for (auto& a : Auxiliaires) {
        a->Chercheur.NouvellePartie();
        a->Pions.Vide();
    }
}

}  // namespace velkar
