#include "app/hand_off.h"

HandOffResult HandOffOutcome(long answer, unsigned long lastError) {
    if (answer == HandOffFiled) return HandOffResult::Filed;
    return lastError == HandOffAccessDenied ? HandOffResult::Elevated : HandOffResult::NotFiled;
}

std::wstring ElevatedRefusalText(const std::wstring& tail) {
    return L"The Zorvik that is running runs as administrator, so it cannot take files from "
           L"Explorer. This file was not added to its batch:\n\n" +
           tail +
           L"\n\nClose that Zorvik and choose the file again, or pick it with the \". . .\" "
           L"button of that Zorvik.";
}
