#include "tools/ChainModel.h"

namespace chain {

// What each structure is, where it lies, what it is joined to and what it does.
const std::array<const char*, structureCount>&
structureDescriptions()
{
  static const std::array<const char*, structureCount> texts = { {
    // Malleus
    "The malleus, or hammer, is the largest and most lateral of the three ossicles, about 8 mm "
    "from the top of its head to the tip of its handle. The rounded head lies in the attic above "
    "the eardrum and carries a saddle-shaped facet for the body of the incus behind it. Below the "
    "narrow neck the short lateral process presses on the eardrum, and the slender anterior "
    "process points forward toward the petrotympanic fissure. The handle, or manubrium, is "
    "embedded in the eardrum down to its tip at the umbo, so every movement of the membrane "
    "moves the malleus.",
    // Incus
    "The incus, or anvil, is the middle ossicle. Its body sits in the attic behind the head of "
    "the malleus, the two bones locked together at the incudomalleolar joint. The short process "
    "points backward and is tied into the fossa incudis by the posterior incudal ligament. The "
    "long process hangs down behind and parallel to the handle of the malleus, roughly at a right "
    "angle to the short process, and its end turns medially into the small lenticular process, "
    "which articulates with the head of the stapes. The thin tip of the long process has a "
    "fragile blood supply and is often eroded by chronic ear disease.",
    // Stapes
    "The stapes, or stirrup, is the smallest bone of the body, about 3.3 mm high. Its head "
    "receives the lenticular process of the incus; below the neck two crura, the anterior "
    "straighter and thinner, the posterior more curved, arch around the obturator foramen to the "
    "footplate. The oval footplate, about 3 by 1.4 mm, sits in the oval window of the medial "
    "wall, held by the annular ligament, and faces the perilymph of the vestibule. Its piston "
    "and rocking movements pass the sound into the inner ear; in otosclerosis new bone fixes the "
    "footplate and hearing falls.",
    // Incudomalleolar joint
    "The incudomalleolar joint joins the head of the malleus to the body of the incus. Its "
    "articular surfaces are saddle-shaped and interlock like two cogs, each covered with "
    "cartilage, inside a thin fibrous capsule with a small wedge-shaped meniscus in many ears. "
    "At the loudness of speech the two bones move as one unit, turning together about an axis "
    "through the anterior mallear ligament and the short process of the incus. Under large "
    "slow pressure changes, such as in an aeroplane, the joint slips a little and protects the "
    "inner ear from excessive displacement.",
    // Incudostapedial joint
    "The incudostapedial joint links the lenticular process of the incus to the head of the "
    "stapes. It is a tiny synovial ball-and-socket joint: the convex lenticular process sits "
    "in a shallow hollow of the stapes head, both faces covered with cartilage and wrapped in a "
    "capsule of elastic fibres. The joint lets the stapes rock while the incus swings, so that "
    "the footplate moves in and out of the oval window as a piston. It is the weakest link of "
    "the chain: a blow or surgery may dislocate it, and erosion of the lenticular process "
    "interrupts the chain here.",
    // Tensor tympani tendon
    "The tensor tympani tendon belongs to a small muscle lying in a bony canal above the "
    "Eustachian tube. The tendon leaves the canal at the cochleariform process on the medial "
    "wall, turns at a right angle and runs laterally across the tympanic cavity to the medial "
    "surface of the upper handle of the malleus. When the muscle contracts it pulls the handle "
    "medially, tensing the eardrum and stiffening the chain. The muscle is supplied by the "
    "mandibular nerve and contracts with chewing, swallowing and loud sounds.",
    // Stapedius tendon
    "The stapedius tendon is the tendon of the smallest skeletal muscle of the body, which lies "
    "in a canal beside the facial nerve in the posterior wall. It emerges from the tip of the "
    "pyramidal eminence and runs forward to the posterior side of the neck of the stapes. The "
    "facial nerve makes the muscle contract in the acoustic reflex to loud sound; the pull tilts "
    "the footplate and damps its movement, reducing the sound reaching the cochlea. When the "
    "nerve is paralysed, ordinary sounds can seem painfully loud.",
    // Superior mallear ligament
    "The superior mallear ligament is a slender band that hangs the head of the malleus from the "
    "roof of the attic, the tegmen tympani. It runs almost vertically from the top of the head "
    "upward and helps keep the malleus in place without hindering its rotation. Together with "
    "the other mallear ligaments it forms part of the suspension of the chain. Folds of mucosa "
    "that accompany it divide the attic into small spaces, which guide the spread of air and of "
    "disease through the upper middle ear.",
    // Lateral mallear ligament
    "The lateral mallear ligament is a short, fan-shaped band that runs from the neck of the "
    "malleus laterally to the bony margin of the notch of Rivinus, the scutum, above the "
    "eardrum. It forms the roof of Prussak's space, the small pocket between the pars flaccida "
    "and the neck of the malleus. The ligament limits inward movement of the upper malleus. "
    "Retraction pockets of the pars flaccida, where many cholesteatomas begin, expand into this "
    "space under the ligament and can then reach the attic.",
    // Anterior mallear ligament
    "The anterior mallear ligament is the strongest ligament of the malleus. It extends from "
    "the anterior process and the neck of the malleus forward to the petrotympanic fissure, and "
    "some of its fibres continue through the fissure toward the spine of the sphenoid. Together "
    "with the posterior incudal ligament it defines the axis about which the malleus and incus "
    "rotate at low and middle frequencies. The chorda tympani leaves the middle ear close to "
    "it, and calcification of the ligament can fix the malleus.",
    // Posterior incudal ligament
    "The posterior incudal ligament fixes the tip of the short process of the incus into the "
    "fossa incudis, a small depression in the posterior wall of the attic near the aditus to the "
    "mastoid antrum. Its two bands, medial and lateral, are short and strong. The ligament forms "
    "the back end of the rotation axis of the ossicles and holds the incus against the malleus. "
    "Surgeons use the short process and the fossa as landmarks when they open the mastoid and "
    "approach the facial nerve.",
    // Annular ligament
    "The annular ligament is a ring of elastic fibres that joins the rim of the stapes "
    "footplate to the edge of the oval window. It is very narrow, much less than a tenth of a "
    "millimetre in most places, and slightly wider at the front. It seals the perilymph of the "
    "vestibule from the air of the middle ear while letting the footplate move like a piston. "
    "In otosclerosis new bone grows into the ligament, usually at its anterior part, fixing the "
    "footplate; stapes surgery replaces this lost movement with a prosthesis.",
    // Pars tensa
    "The pars tensa is the large, taut part of the eardrum, a thin cone about 9 mm across whose "
    "apex, the umbo, is pulled medially by the tip of the handle of the malleus. Its three "
    "layers are skin on the ear-canal side, a fibrous middle layer of radial and circular fibres, "
    "and mucosa on the middle-ear side. The thickened rim, the fibrocartilaginous annulus, sits "
    "in a groove of the bony canal. Sound makes the membrane vibrate, and its area, many times "
    "that of the footplate, concentrates the pressure onto the inner ear.",
    // Pars flaccida
    "The pars flaccida, or Shrapnell's membrane, is the small, slack upper part of the eardrum. "
    "It fills the notch of Rivinus above the lateral process of the malleus, between the "
    "anterior and posterior mallear folds, and lacks the organised fibrous layer of the pars "
    "tensa. Behind it lies Prussak's space. Because it is weak, low pressure in the middle ear "
    "from a poorly ventilating Eustachian tube draws it inward into a retraction pocket, the "
    "usual start of an attic cholesteatoma.",
    // Chorda tympani
    "The chorda tympani is a branch of the facial nerve that crosses the middle ear. It enters "
    "from a canal in the posterior wall, runs forward under the mucosa, passing lateral to the "
    "long process of the incus and medial to the neck of the malleus above the tensor tympani "
    "tendon, and leaves through the petrotympanic fissure to join the lingual nerve. It carries "
    "taste from the front two thirds of the tongue and the nerve supply of two salivary glands. "
    "Middle-ear surgery may stretch or cut it, leaving an altered taste.",
  } };
  return texts;
}

} // namespace chain
