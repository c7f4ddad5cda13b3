/* forum_viewthread.js (subset): attachment pictures of a post are shown from their file attribute. */
function attachimggroup(pid) {}
function attachimgshow(pid) {
	var box = document.getElementById('postmessage_' + pid);
	if (!box || !window.aimgcount || !aimgcount[pid]) return;
	for (var i = 0; i < aimgcount[pid].length; i++) {
		var img = document.getElementById('aimg_' + aimgcount[pid][i]);
		if (img && img.getAttribute('file')) img.src = img.getAttribute('file');
	}
}
