#include "library/devices/cls_multimedia.h"

namespace korvel {

HRESULT Cls_Multimedia::FermerCD() {
    return notImplemented(L"FermerCD");
}

HRESULT Cls_Multimedia::OuvrirCD() {
    return notImplemented(L"OuvrirCD");
}

HRESULT Cls_Multimedia::JouerUnWav(BSTR *Fichier) {
    return notImplemented(L"JouerUnWav");
}

HRESULT Cls_Multimedia::ReglageVolume(VARIANT_BOOL *Grand) {
    return notImplemented(L"ReglageVolume");
}

HRESULT Cls_Multimedia::CarteSonPresente(VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"CarteSonPresente");
}

HRESULT Cls_Multimedia::OuvrirMP3(BSTR *strNomFichier, VARIANT_BOOL *blnJouerFichier) {
    return notImplemented(L"OuvrirMP3");
}

HRESULT Cls_Multimedia::JouerMP3() {
    return notImplemented(L"JouerMP3");
}

HRESULT Cls_Multimedia::StopMP3() {
    return notImplemented(L"StopMP3");
}

HRESULT Cls_Multimedia::PauseMP3() {
    return notImplemented(L"PauseMP3");
}

HRESULT Cls_Multimedia::FrequenceFichierWAV(BSTR *CheminFichierWAV, short *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"FrequenceFichierWAV");
}

HRESULT Cls_Multimedia::NoSerieDisque(BSTR *strDrive, LONG *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"NoSerieDisque");
}

HRESULT Cls_Multimedia::EstCDROM(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"EstCDROM");
}

HRESULT Cls_Multimedia::EstDisqueDur(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"EstDisqueDur");
}

HRESULT Cls_Multimedia::EstDisqueReseau(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"EstDisqueReseau");
}

HRESULT Cls_Multimedia::EstDisquette(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"EstDisquette");
}

HRESULT Cls_Multimedia::TypePeripherique(BSTR *strLettreDrive, LONG *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"TypePeripherique");
}

HRESULT Cls_Multimedia::ResolutionEcranX(short *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"ResolutionEcranX");
}

HRESULT Cls_Multimedia::ResolutionEcranY(short *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"ResolutionEcranY");
}

}  // namespace korvel
