#pragma once
// Start-up registration of the file types for this user (see RegisterFileAssociation).

namespace ruvo::gui {

// examinee: the running program is the examinee program. Returns whether the types are known.
bool RegisterFileTypesAtStartUp(bool examinee);

}  // namespace ruvo::gui
