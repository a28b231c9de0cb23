// Resource numbers and the caption of the client trust prompt (shared by the resource script, the
// code and the tests that find the prompt by its caption).
#pragma once

#define SECURITY_CAPTION "Orvel Farlink Corvanset"

#define IDD_SECURITY 202
#define IDI_SECURITY 203
#define IDC_SECURITY_MESSAGE 201
#define IDC_SECURITY_YES 202
#define IDC_SECURITY_NO 203
#define IDC_SECURITY_ALWAYS 204
