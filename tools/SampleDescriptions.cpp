#include "SampleDescriptions.h"

#include <cstring>

namespace sample {

namespace {

struct Description
{
  const char* name;
  const char* text; // one paragraph
};

// What each structure is, where it lies, what it touches, what it does, and one clinical note.
const Description descriptions[] = {
  { "Incus",
    "The incus, or anvil, is the middle link of the three ossicles. Its body sits high in the "
    "epitympanic recess, jointed to the head of the malleus; its short process rests in the "
    "fossa incudis on the posterior wall. The long process hangs down behind the handle of the "
    "malleus and ends in the lenticular process, whose rounded tip meets the head of the stapes "
    "at the incudostapedial joint shown here. The incus hands the vibrations of the eardrum, "
    "received through the malleus, on to the stapes. <i>Clinical note:</i> the tip of the long "
    "process has a slender blood supply and is the part of the chain most often eroded by "
    "chronic otitis media or cholesteatoma; the broken chain causes a conductive hearing "
    "loss." },
  { "Incus Articular Cartilage",
    "A thin cap of hyaline cartilage covers the convex end of the lenticular process, the "
    "articular surface of the incus in the incudostapedial joint. It lies at the medial tip of "
    "the long process, faces the cartilage on the head of the stapes across the narrow joint "
    "space, and the fibres of the joint capsule hold on around its rim. Its smooth, slightly "
    "yielding surface lets the two bones glide and tilt against each other with little friction "
    "while sound passes on. <i>Clinical note:</i> like other joint cartilage it thins and may "
    "calcify with age or in rheumatoid arthritis; a stiffened joint is one of the smaller causes "
    "of conductive hearing loss in older adults." },
  { "Incus Blood Vessels",
    "These are the small arteries and veins of the long process of the incus. Fine branches of "
    "the tympanic arteries come down from above along the process, inside its covering of "
    "mucosa and areolar tissue, and reach the lenticular process last. They nourish the bone, "
    "its marrow spaces and the cartilage of the joint. Because the supply is thin and arrives "
    "from one direction only, the end of the long process is a watershed area. "
    "<i>Clinical note:</i> this is why pressure from a retraction pocket of the eardrum, or a "
    "long infection, so often leaves the lenticular process necrotic, and why surgeons try not "
    "to strip the mucosa from the incus." },
  { "Incus Areolar Tissue",
    "Areolar tissue is loose connective tissue: a soft web of thin collagen and elastic fibres, "
    "a few fat cells and tissue fluid. Here it forms a faint sleeve under the mucosa around the "
    "long process of the incus, between the bone and the lining of the tympanic cavity, and "
    "carries the blood vessels and fine nerves on their way down to the lenticular process. It "
    "lets the mucosa slide over the bone and cushions the vessels as the chain moves. It has no "
    "row of controls and is drawn faintly, so that the bone shows through. "
    "<i>Clinical note:</i> in middle-ear inflammation this tissue swells with fluid and "
    "inflammatory cells, which can press on the small vessels of the long process." },
  { "Stapes",
    "The stapes, or stirrup, is the innermost ossicle and the smallest bone of the body, about "
    "three millimetres high. Its head carries a shallow facet for the lenticular process of the "
    "incus; below the neck an anterior and a longer, more curved posterior crus arch down to the "
    "oval footplate. The footplate sits in the oval window of the inner ear, sealed in by the "
    "annular ligament, and the stapedius tendon inserts on the back of the neck. Rocking in the "
    "window, the footplate passes the vibrations of the chain to the perilymph of the vestibule. "
    "<i>Clinical note:</i> in otosclerosis new bone fixes the footplate in the window; a "
    "stapedotomy restores hearing with a small piston in place of the stapes." },
  { "Stapes Articular Cartilage",
    "This is the layer of hyaline cartilage lining the slightly hollow articular facet on the "
    "head of the stapes. It faces the cartilage of the lenticular process across the joint "
    "space, and the joint capsule is fixed around its edge. Together the two cartilages are the "
    "gliding surfaces of the incudostapedial joint: the convex incus side sits in the concave "
    "stapes side like a small ball in a shallow socket, so the stapes can tilt when the "
    "stapedius pulls or the air pressure changes. <i>Clinical note:</i> in surgery for "
    "otosclerosis the joint is opened through this cartilage with a fine joint knife; a clean "
    "cut keeps the lenticular process whole to carry the prosthesis." },
  { "Capsular Ligamental Fibers",
    "The capsule of the incudostapedial joint is a short cuff of ligament, mostly collagen with "
    "many elastic fibres, running from the rim of the lenticular process to the rim of the "
    "facet on the stapes head. It closes the joint space, is lined inside by synovial membrane "
    "and covered outside by the mucosa of the tympanic cavity; the stapedius tendon passes just "
    "behind it. It holds the two bones together yet lets them slide and tilt a little, which "
    "spares the inner ear large slow movements of the chain, as from pressure changes. "
    "<i>Clinical note:</i> a blow to the head can tear the capsule and dislocate the joint, a "
    "treatable cause of hearing loss after an injury." },
  { "Stapedius Tendon",
    "The stapedius tendon is the short, strong tendon of the stapedius, the smallest skeletal "
    "muscle of the body. The muscle lies in a bony canal beside the facial nerve; its tendon "
    "leaves through the tip of the pyramidal eminence on the posterior wall of the tympanic "
    "cavity, runs forward and inserts on the back of the neck of the stapes, next to the joint "
    "capsule. When loud sound sets off the acoustic reflex, the muscle pulls, tilts the stapes "
    "and stiffens the chain, damping loud low tones. <i>Clinical note:</i> the facial nerve "
    "supplies the muscle, so with a facial palsy ordinary sounds may seem painfully loud "
    "(hyperacusis); testing the stapedius reflex helps to place the lesion." },
  { "Joint Space",
    "The joint space is the thin cleft between the articular cartilages of the incus and the "
    "stapes, a true synovial cavity a fraction of a millimetre wide. The capsule closes it all "
    "round, synovial membrane lines it, and a film of synovial fluid in it lubricates and feeds "
    "the cartilages. It lets the lenticular process move against the stapes head almost "
    "without friction, so the joint passes fast sound vibrations nearly rigidly yet gives way to "
    "slow, large movements. The model draws it translucent, so the cartilages show through. "
    "<i>Clinical note:</i> after inflammation fluid can gather in the space or scar tissue can "
    "close it; a fused joint makes the whole chain stiffer." },
};

} // namespace

QByteArray
structureDescription(const char* name)
{
  for (const Description& description : descriptions) {
    if (std::strcmp(description.name, name) == 0) {
      return QByteArray("<html>\n<body>\n<p>") + description.text + "</p>\n</body>\n</html>\n";
    }
  }
  return QByteArray();
}

} // namespace sample
