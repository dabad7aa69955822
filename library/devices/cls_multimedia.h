// Cls_Multimedia: sound, CD, drives and screen.
#pragma once

#include "library/frame/braskedll.h"
#include "library/frame/dispatch.h"

namespace korvel {

class Cls_Multimedia final : public DispatchObject<Cls_Multimedia, _Cls_Multimedia> {
public:
    static constexpr wchar_t kClassName[] = L"Cls_Multimedia";

    IFACEMETHODIMP FermerCD() override;
    IFACEMETHODIMP OuvrirCD() override;
    IFACEMETHODIMP JouerUnWav(BSTR *Fichier) override;
    IFACEMETHODIMP ReglageVolume(VARIANT_BOOL *Grand) override;
    IFACEMETHODIMP CarteSonPresente(VARIANT_BOOL *pRetVal) override;
    IFACEMETHODIMP OuvrirMP3(BSTR *strNomFichier, VARIANT_BOOL *blnJouerFichier) override;
    IFACEMETHODIMP JouerMP3() override;
    IFACEMETHODIMP StopMP3() override;
    IFACEMETHODIMP PauseMP3() override;
    IFACEMETHODIMP FrequenceFichierWAV(BSTR *CheminFichierWAV, short *pRetVal) override;
    IFACEMETHODIMP NoSerieDisque(BSTR *strDrive, LONG *pRetVal) override;
    IFACEMETHODIMP EstCDROM(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) override;
    IFACEMETHODIMP EstDisqueDur(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) override;
    IFACEMETHODIMP EstDisqueReseau(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) override;
    IFACEMETHODIMP EstDisquette(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) override;
    IFACEMETHODIMP TypePeripherique(BSTR *strLettreDrive, LONG *pRetVal) override;
    IFACEMETHODIMP ResolutionEcranX(short *pRetVal) override;
    IFACEMETHODIMP ResolutionEcranY(short *pRetVal) override;
};

}  // namespace korvel
