/* player base */ var _yt_player = _yt_player || {};
